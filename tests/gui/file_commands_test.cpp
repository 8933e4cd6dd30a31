// The main window's file commands: Load, Save, Copy As, the master mark and the format choice.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "GuiTestSupport.h"
#include "app/MessageBoxOperator.h"
#include "core/files/keyword_file.h"
#include "core/files/tdc_file.h"
#include "core/model/app_settings.h"
#include "core/model/derived.h"
#include "widgets/RadioGroup.h"

using namespace tem;
using namespace tem::gui;
using namespace tem::gui::test;
namespace fs = std::filesystem;

namespace {

/// A window showing the dual-moment configuration, named <temp>/work/a.TDC (not yet written).
struct Commands : MainWindowFixture {
    std::string work;
    Commands()
    {
        create();
        work = dir.path().toStdString() + "/work/";
        fs::create_directories(work);
        FillDualMoment(cfg());
        cfg().LoadFilename = cfg().SaveFilename = work + "a.TDC";
        CalculateDrivenVariables(cfg(), op);
        form->PopulateConfigForm();
        op.messages.clear();
        op.questions.clear();
    }
    QLineEdit* fileEdit() { return get<QLineEdit>("EditTDCFilename"); }
    RadioGroup* format() { return get<RadioGroup>("RadioGroupTDCGEX"); }
    QCheckBox* master() { return get<QCheckBox>("CheckBoxMaster"); }
    std::vector<std::string> backups() const
    {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(work))
            if (e.path().extension().string().ends_with("BAK"))
                found.push_back(e.path().filename().string());
        return found;
    }
};

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

  private slots:
    void loadChoosesTheReaderByExtension()
    {
        Commands f;
        const Configuration before = f.cfg();
        f.dialogs.answers = {f.work + "survey.txt"};
        f.form->ButtonLoadClick();
        QCOMPARE(f.dialogs.titles, std::vector<std::string>{"Open a Time Domain EM Configuration File"});
        QCOMPARE(f.op.messages, std::vector<std::string>{
                                    "File extension must be either TDC or GEX but it was neither. ABORTING"});
        QCOMPARE(f.fileEdit()->text(), QString::fromStdString(f.work + "survey.txt"));
        QCOMPARE(f.cfg().LoadFilename, f.work + "survey.txt");
        QCOMPARE(f.cfg().Tx[1], before.Tx[1]);

        // A lower-case .tdc is a TDC file: written here, then loaded back.
        const std::string tdc = f.work + "survey.tdc";
        f.cfg().SaveFilename = tdc;
        f.cfg().Tx[1].Name = "FromFile";
        SaveTDCToFile(f.cfg(), f.session.folders, f.op);
        f.cfg().Tx[1].Name = "InMemory";
        f.format()->setItemIndex(1);
        f.dialogs.answers = {tdc};
        f.form->ButtonLoadClick();
        QCOMPARE(f.cfg().Tx[1].Name, std::string("FromFile"));
        QCOMPARE(f.get<QLineEdit>("EditTxDefName")->text(), QString("FromFile"));
        QCOMPARE(f.cfg().TDCorGEX, TINIFileFormat::TDC);
        QCOMPARE(f.format()->itemIndex(), 0);
        QVERIFY(f.form->recentFiles().contains(QString::fromStdString(tdc)));

        // Cancelling the dialog changes nothing.
        f.form->ButtonLoadClick();
        QCOMPARE(f.cfg().LoadFilename, tdc);

        // The recent files and the last file outlive the window.
        f.op.answers = {false};
        f.form->close();
        f.create();
        QVERIFY(f.form->recentFiles().contains(QString::fromStdString(tdc)));
        QCOMPARE(f.cfg().LoadFilename, tdc);
    }

    void eightBitTextsKeepTheirBytesThroughOpenAndSave()
    {
        Commands f;
        // Bytes 0x80-0xFF in every kind of text the window shows or carries.
        const std::string high = "caf\xE9 \x80\x9F\xA0\xB5\xFF";
        Configuration& c = f.cfg();
        c.Description = "Desc " + high;
        c.DataType = "Type" + high;
        c.ParentConfigFile = "Parent" + high + ".TDC";
        c.Tx[1].Name = "Tx " + high;
        c.Tx[2].Name = "Aux " + high;
        c.Rx[1].Name = "Rx " + high;
        c.AcqChn[1].Description = "Chn " + high;
        c.AcqChn[1].RowID = "R" + high;
        c.TimeBase[1].GateSetName = "Gates " + high;
        c.Vehicle.PhotoFilename = "van" + high + ".jpg";
        const std::string file = f.work + "latin.TDC";
        c.SaveFilename = file;
        QVERIFY(SaveTDCToFile(c, f.session.folders, f.op).written());
        const std::string before = ReadText(file);

        f.dialogs.answers = {file};
        f.form->ButtonLoadClick();
        QCOMPARE(f.get<QLineEdit>("EditTxDefName")->text(),
                 QString::fromLatin1("Tx caf\xE9 \x80\x9F\xA0\xB5\xFF"));
        f.op.answers = {true};
        f.form->ButtonSaveClick();
        QCOMPARE(f.op.questions, std::vector<std::string>{"This TDC file already exists - Overwrite?"});
        const KeywordFile saved = KeywordFile::FromText(ReadText(file));
        const KeywordFile original = KeywordFile::FromText(before);
        for (const auto& [section, key] :
             std::vector<std::pair<std::string, std::string>>{{"All", "Description"},
                                                              {"All", "DataType"},
                                                              {"All", "ParentConfigFile"},
                                                              {"Tx1", "Name"},
                                                              {"Tx2", "Name"},
                                                              {"Rx1", "Name"},
                                                              {"Chn1", "Description"},
                                                              {"Chn1", "RowID"},
                                                              {"TimebaseTx1", "GateSetName"},
                                                              {"Vehicle", "PhotoFilename"}}) {
            QVERIFY2(original.ReadString(section, key, "?").find(high) != std::string::npos, key.c_str());
            QCOMPARE(saved.ReadString(section, key, "?"), original.ReadString(section, key, "?"));
        }
    }

    void saveWritesAndAsksBeforeOverwriting()
    {
        Commands f;
        f.get<QLineEdit>("EditTxDefName")->setText("Committed by Save");
        f.form->ButtonSaveClick();
        const std::string file = f.work + "a.TDC";
        QVERIFY(fs::exists(file));
        QVERIFY(f.form->beenSaved());
        QVERIFY(f.op.questions.empty()); // a new file needs no question
        QCOMPARE(f.cfg().Tx[1].Name, std::string("Committed by Save"));

        // The file exists now: No to the overwrite question leaves it as it was.
        const std::string first = ReadText(file);
        f.get<QLineEdit>("EditTxDefName")->setText("Second");
        f.op.answers = {false};
        f.form->ButtonSaveClick();
        QCOMPARE(f.op.questions, std::vector<std::string>{"This TDC file already exists - Overwrite?"});
        QCOMPARE(ReadText(file), first);

        // Clean Save answered No: the file is overwritten in place, after its backup.
        f.get<QCheckBox>("CheckBoxErase")->setChecked(true);
        f.op.questions.clear();
        f.op.answers = {true, false};
        f.form->ButtonSaveClick();
        QCOMPARE(f.op.questions.size(), std::size_t(2));
        QCOMPARE(
            f.op.questions[1],
            std::string("\"Clean Save\" will wipe any un-identified information in your file - Continue?"));
        QVERIFY(ReadText(file).find("Second") != std::string::npos);
        QCOMPARE(f.backups().size(), std::size_t(1));

        // Clean Save answered Yes: the file is rewritten from nothing, and its last state is kept
        // as a further backup first.
        WriteText(file, ReadText(file) + "[Unknown]\r\nKept=only without a clean save\r\n");
        f.op.answers = {true, true};
        f.form->ButtonSaveClick();
        QVERIFY(ReadText(file).find("[Unknown]") == std::string::npos);
        QCOMPARE(f.backups().size(), std::size_t(2));
    }

    void saveReplacesTheExtensionByTheChosenFormat()
    {
        Commands f;
        f.cfg().Tx[2].MomentID = TMomentID::HM;
        f.cfg().Tx[1].MomentID = TMomentID::SingleM;
        f.form->PopulateConfigForm();
        f.format()->button(1)->click();
        QCOMPARE(f.cfg().TDCorGEX, TINIFileFormat::GEX);
        f.form->ButtonSaveClick();
        QCOMPARE(f.op.messages,
                 std::vector<std::string>{
                     "GEX supports only TxDef = SingleM Moment, or TxDef = LM and TxAux = HM. Other "
                     "combinations are not conventional. ABORTING: GEX NOT Saved"});
        QVERIFY(!fs::exists(f.work + "a.GEX") && !fs::exists(f.work + "a.gex"));

        // The same configuration saves as TDC.
        f.format()->button(0)->click();
        f.fileEdit()->setText(QString::fromStdString(f.work + "b.gex"));
        f.form->ButtonSaveClick();
        QVERIFY(fs::exists(f.work + "b.TDC"));
        QCOMPARE(f.fileEdit()->text(), QString::fromStdString(f.work + "b.TDC"));
        QCOMPARE(f.cfg().LoadFilename, f.work + "b.TDC");
        // A name with the extension in lower case is the file that is written.
        f.fileEdit()->setText(QString::fromStdString(f.work + "c.tdc"));
        f.form->ButtonSaveClick();
        QVERIFY(fs::exists(f.work + "c.tdc") && !fs::exists(f.work + "c.TDC"));
    }

    void saveAsGexWritesTheLowerCaseGexBesideTheTdc()
    {
        Commands f;
        f.form->ButtonSaveClick(); // a.TDC
        const std::string tdc = ReadText(f.work + "a.TDC");
        f.format()->button(1)->click();
        f.op.messages.clear();
        f.form->ButtonSaveClick();
        QVERIFY(fs::exists(f.work + "a.gex"));
        QCOMPARE(ReadText(f.work + "a.TDC"), tdc);
        QCOMPARE(f.fileEdit()->text(), QString::fromStdString(f.work + "a.gex"));
        // Saving again onto the file being edited writes it without a question; saving onto
        // another existing GEX file asks.
        const std::string firstGex = ReadText(f.work + "a.gex");
        f.get<QLineEdit>("EditTxDefName")->setText("Saved in place");
        f.form->ButtonSaveClick();
        QVERIFY(f.op.questions.empty());
        QVERIFY(ReadText(f.work + "a.gex") != firstGex);
        QVERIFY(fs::exists(f.work + "a.gexBAK"));
        fs::copy_file(f.work + "a.gex", f.work + "other.gex");
        const std::string other = ReadText(f.work + "other.gex");
        f.fileEdit()->setText(QString::fromStdString(f.work + "other.gex"));
        f.get<QLineEdit>("EditTxDefName")->setText("Not wanted there");
        f.op.answers = {false};
        f.form->ButtonSaveClick();
        QCOMPARE(f.op.questions, std::vector<std::string>{"This GEX file already exists - Overwrite?"});
        QCOMPARE(ReadText(f.work + "other.gex"), other);
        f.fileEdit()->setText(QString::fromStdString(f.work + "a.gex"));

        // Loaded back through the GEX reader, with the format shown.
        f.format()->setItemIndex(0);
        f.dialogs.answers = {f.work + "a.gex"};
        f.form->ButtonLoadClick();
        QCOMPARE(f.cfg().TDCorGEX, TINIFileFormat::GEX);
        QCOMPARE(f.format()->itemIndex(), 1);
        QCOMPARE(f.cfg().NumTx, 2);
        QCOMPARE(f.cfg().Tx[2].MomentID, TMomentID::HM);
    }

    void demonstrationLoadCopyAsGexMarkMasterAndLoadAgain()
    {
        MainWindowFixture f;
        f.create();
        f.form->FormActivate(); // reads the demonstration configuration
        QVERIFY(f.cfg().NumTx > 0);
        const int numTx = f.cfg().NumTx;
        const std::string work = f.dir.path().toStdString() + "/";

        // Copy As GEX.
        f.dialogs.answers = {work + "demo.gex"};
        f.form->ButtonSaveAsINIClick();
        QVERIFY(fs::exists(work + "demo.gex"));
        QCOMPARE(f.cfg().TDCorGEX, TINIFileFormat::GEX);
        QCOMPARE(f.get<RadioGroup>("RadioGroupTDCGEX")->itemIndex(), 1);

        // Mark a further copy as master.
        f.op.answers = {true, true};
        f.dialogs.answers = {work + "master.gex"};
        f.get<QCheckBox>("CheckBoxMaster")->click();
        QVERIFY(fs::exists(work + "master.gex"));

        // Load it again: a master, with its transmitters.
        f.op.messages.clear();
        f.dialogs.answers = {work + "master.gex"};
        f.form->ButtonLoadClick();
        QVERIFY(f.cfg().Master);
        QVERIFY(f.get<QCheckBox>("CheckBoxMaster")->isChecked());
        QCOMPARE(f.cfg().NumTx, numTx);
        QVERIFY2(!f.shownStartingWith("CONFIGURATION FILE CORRUPTED"), "the stamp holds");
    }

    void everySaveKeepsTheNameItWrote_data()
    {
        QTest::addColumn<bool>("masterTick");
        QTest::newRow("Copy As") << false;
        QTest::newRow("master tick") << true;
    }
    void everySaveKeepsTheNameItWrote()
    {
        // A GEX chosen as "x.GEX" is written as "x.gex": that is the name the model, the file box
        // and the settings keep, so Forward Model and the next start find the file.
        QFETCH(bool, masterTick);
        Commands f;
        f.format()->button(1)->click();
        const std::string chosen = f.work + "x.GEX", written = f.work + "x.gex";
        f.dialogs.answers = {chosen};
        if (masterTick) {
            f.op.answers = {true, true}; // "Are you sure?", then the writer's master question
            f.master()->click();
        } else {
            f.form->ButtonSaveAsINIClick();
        }
        QVERIFY(fs::exists(written));
        QCOMPARE(f.cfg().LoadFilename, written);
        QCOMPARE(f.cfg().SaveFilename, written);
        QCOMPARE(f.fileEdit()->text(), QString::fromStdString(written));
        QCOMPARE(f.form->openDialogFileName(), QString::fromStdString(written));

        f.op.messages.clear();
        f.form->FormClose(); // writes the settings
        Configuration next;
        LoadConfigApplicIniFile(next, f.session.folders, f.op, f.session.programName);
        QCOMPARE(next.LoadFilename, written);
    }

    void neverSavedConfigurationSavesThroughCopyAs()
    {
        Commands f;
        f.cfg().LoadFilename = "Not_Saved.TDC";
        const std::string copy = f.work + "copy.TDC";
        f.dialogs.answers = {copy};
        f.form->ButtonSaveClick();
        QCOMPARE(f.dialogs.titles, std::vector<std::string>{"Save Configuration FIle"});
        QVERIFY(fs::exists(copy));
        QCOMPARE(f.cfg().LoadFilename, copy);
        QCOMPARE(f.cfg().ParentConfigFile, std::string("Not_Saved.TDC"));
        QVERIFY(!f.form->beenSaved());
    }

    void masterQuestionOffersYesAndAbortWithAbortTheDefault()
    {
        // The message box: Yes and Abort, Abort the default (Enter) and the escape button.
        MessageBoxOperator boxes;
        for (const bool yes : {false, true}) {
            bool rightButtons = false;
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                rightButtons =
                    box->standardButtons() == (QMessageBox::Yes | QMessageBox::Abort) &&
                    static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::Abort);
                QAbstractButton* answer = box->button(yes ? QMessageBox::Yes : QMessageBox::Abort);
                answer->click();
            });
            QCOMPARE(boxes.askYesAbort("Are you sure?"), yes);
            QVERIFY(rightButtons);
        }

        // Ticking the box and taking the default answer: nothing is chosen or written.
        Commands f;
        f.master()->setChecked(true);
        f.form->CheckBoxMasterClick();
        QCOMPARE(f.op.questions.size(), std::size_t(1));
        QVERIFY(f.dialogs.titles.empty());
        QVERIFY(f.master()->isChecked());
        QVERIFY(f.backups().empty());
    }

    void masterMarkProtectsTheFile()
    {
        Commands f;
        const std::string file = f.work + "master.TDC";
        // Ticking: the question, the save dialog, the writer's own question; the file is a master.
        f.master()->setChecked(true);
        f.op.answers = {true, true};
        f.dialogs.answers = {file};
        f.form->CheckBoxMasterClick();
        QVERIFY(fs::exists(file));
        QCOMPARE(f.op.questions.front(),
                 std::string("Are you sure? - file will be saved now and will not be able "
                             "to be saved again without protection removal"));
        QCOMPARE(f.fileEdit()->text(), QString::fromStdString(file));
        QVERIFY(f.cfg().Master);

        // Save refuses to overwrite it.
        const std::string stamped = ReadText(file);
        f.op.messages.clear();
        f.form->ButtonSaveClick();
        QCOMPARE(f.op.messages,
                 std::vector<std::string>{"This is a Master TEM Configuration - it cannot be altered - "
                                          "try SaveAs to write to a duplicate"});
        QCOMPARE(ReadText(file), stamped);

        // Copy As onto the name in the edit while the box is ticked is refused too.
        f.op.messages.clear();
        f.dialogs.answers = {file};
        f.form->ButtonSaveAsINIClick();
        QVERIFY(f.shownStartingWith("This file is marked as a master file - read only."));
        QCOMPARE(ReadText(file), stamped);

        // Ticking again onto the master file: denied, box unticked.
        f.op.messages.clear();
        f.op.answers = {true};
        f.dialogs.answers = {file};
        f.master()->setChecked(true);
        f.form->CheckBoxMasterClick();
        QVERIFY(f.shown(
            "The file you are trying to overwrite is already a Master file and is protected - overwrite "
            "permission denied!"));
        QVERIFY(!f.master()->isChecked());
        QVERIFY(!f.cfg().Master);
        QCOMPARE(ReadText(file), stamped);
    }

    void removingTheMarkSavesAnUnprotectedCopy()
    {
        Commands f;
        f.cfg().Master = true;
        f.form->PopulateConfigForm();
        // No: the box is ticked again and the model stays a master.
        f.op.answers = {false};
        f.master()->click();
        QVERIFY(f.master()->isChecked());
        QVERIFY(f.cfg().Master);
        QVERIFY(f.dialogs.titles.empty());

        // Yes: Copy As writes an unprotected copy that names its parent.
        const std::string copy = f.work + "copy.TDC";
        f.op.answers = {true};
        f.dialogs.answers = {copy};
        f.master()->click();
        QVERIFY(fs::exists(copy));
        QVERIFY(!f.master()->isChecked());
        QVERIFY(!f.cfg().Master);
        QCOMPARE(f.cfg().ParentConfigFile, f.work + "a.TDC");
        QCOMPARE(f.cfg().LoadFilename, copy);

        // Cancelling the save dialog of the tick leaves the box unticked.
        f.op.answers = {true};
        f.master()->click();
        QVERIFY(!f.master()->isChecked());
        QVERIFY(!f.cfg().Master);
    }

    void fileNameEditChoosesTheFormat()
    {
        Commands f;
        f.fileEdit()->setText("/data/survey.gex");
        f.form->EditTDCFilenameExit();
        QCOMPARE(f.format()->itemIndex(), 1);
        QCOMPARE(f.cfg().TDCorGEX, TINIFileFormat::GEX);
        QCOMPARE(f.form->saveDialogFileName(), QString("/data/survey.gex"));
        f.fileEdit()->setText("/data/survey.Tdc");
        f.form->EditTDCFilenameExit();
        QCOMPARE(f.format()->itemIndex(), 0);
        QCOMPARE(f.cfg().LoadFilename, f.work + "a.TDC"); // changes only at the next commit
    }
};

QTEST_MAIN(FileCommandsTest)
#include "file_commands_test.moc"
