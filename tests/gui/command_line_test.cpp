// The program's command line: the options it answers, and the file it opens at start in place of
// the one the settings name.

#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <filesystem>

#include "GuiTestSupport.h"
#include "app/command_line.h"
#include "core/files/config_formats.h"
#include "core/files/tdc_file.h"
#include "widgets/RadioGroup.h"

using namespace tem;
using namespace tem::gui;
using namespace tem::gui::test;

Q_DECLARE_METATYPE(CommandLine::Action)

class CommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("error");
        const QString abs = QDir::current().absoluteFilePath("survey.TDC");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << A::Run << QString() << QString();
        QTest::newRow("a file") << QStringList{"survey.TDC"} << A::Run << abs << QString();
        QTest::newRow("absolute file") << QStringList{"/data/a.gex"} << A::Run << "/data/a.gex" << QString();
        QTest::newRow("help") << QStringList{"--help"} << A::Help << QString() << QString();
        QTest::newRow("-h after a file")
            << QStringList{"survey.TDC", "-h"} << A::Help << QString() << QString();
        // Before QApplication has removed them, Qt's own options are unknown to us: --help and
        // --version must still win so that they work without a display.
        QTest::newRow("help after a Qt option")
            << QStringList{"-platform", "xcb", "--help"} << A::Help << QString() << QString();
        QTest::newRow("version after a Qt option")
            << QStringList{"-style", "fusion", "--version"} << A::Version << QString() << QString();
        QTest::newRow("help beats version")
            << QStringList{"-v", "--help"} << A::Help << QString() << QString();
        QTest::newRow("unknown option")
            << QStringList{"--open", "survey.TDC"} << A::Error << QString() << "unknown option '--open'";
        QTest::newRow("two files") << QStringList{"survey.TDC", "b.gex"} << A::Error << QString()
                                   << "only one FILE can be opened, but 'b.gex' follows 'survey.TDC'";
        QTest::newRow("empty file name")
            << QStringList{""} << A::Error << QString() << "the FILE named is empty";
        QTest::newRow("a file after --") << QStringList{"--", "-odd.TDC"} << A::Run
                                         << QDir::current().absoluteFilePath("-odd.TDC") << QString();
        QTest::newRow("--help after -- is a file") << QStringList{"--", "--help"} << A::Run
                                                   << QDir::current().absoluteFilePath("--help") << QString();
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, file);
        QFETCH(QString, error);
        arguments.prepend("temsetrix");
        const CommandLine line = ParseCommandLine(arguments);
        QCOMPARE(line.action, action);
        QCOMPARE(line.file, file);
        QCOMPARE(line.error, error);
    }

    void fileOnTheCommandLineOpensInsteadOfTheLastOne()
    {
        MainWindowFixture f;
        f.create();
        const std::string demo = f.folder() + "DemoConfig.TDC";
        QCOMPARE(f.cfg().LoadFilename, demo); // what a start without a file opens

        // A configuration written elsewhere, under a lower-case extension.
        const std::string survey = f.dir.path().toStdString() + "/survey.tdc";
        Configuration written;
        FillDualMoment(written);
        written.SaveFilename = survey;
        SaveTDCToFile(written, f.session.folders, f.op);
        QVERIFY(std::filesystem::exists(survey));
        f.op.messages.clear();

        f.form->SetStartupFile(QString::fromStdString(survey));
        f.form->FormActivate();
        QCOMPARE(f.cfg().LoadFilename, survey);
        QCOMPARE(f.cfg().Tx[1].Name, std::string("LowMoment"));
        QCOMPARE(f.get<QLineEdit>("EditTDCFilename")->text(), QString::fromStdString(survey));
        QCOMPARE(f.get<QLineEdit>("EditTxDefName")->text(), QString("LowMoment"));
        // Later activations keep it.
        f.form->FormActivate();
        QCOMPARE(f.cfg().LoadFilename, survey);
    }

    void fileThatCannotBeOpenedIsReportedAndTheLastOneOpens_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // written when not empty
        QTest::addColumn<QString>("message");  // the start of the message shown
        QTest::newRow("unknown extension")
            << "notes.txt" << QByteArray("[All]\r\n") << UnknownConfigExtension;
        QTest::newRow("missing file")
            << "missing.TDC" << QByteArray() << "The file %1 named on the command line does not exist.";
        QTest::newRow("a folder") << "folder.gex" << QByteArray()
                                  << "The file %1 named on the command line does not exist.";
        // Not a configuration at all: the reader refuses a UTF-16 file.
        QTest::newRow("unreadable") << "utf16.TDC" << QByteArray("\xff\xfe[\0A\0]\0", 8) << QString();
    }

    void fileThatCannotBeOpenedIsReportedAndTheLastOneOpens()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        MainWindowFixture f;
        f.create();
        const std::string demo = f.folder() + "DemoConfig.TDC";
        const std::string path = f.dir.path().toStdString() + "/" + name.toStdString();
        if (name == "folder.gex")
            std::filesystem::create_directories(path);
        else if (!bytes.isEmpty())
            WriteText(path, bytes.toStdString());
        f.op.messages.clear();

        f.form->SetStartupFile(QString::fromStdString(path));
        f.form->FormActivate();
        QVERIFY(!f.op.messages.empty());
        if (!message.isEmpty())
            QVERIFY2(f.shownStartingWith(message.replace("%1", QString::fromStdString(path)).toStdString()),
                     f.op.messages.front().c_str());
        // The configuration of the last start opened as it would have without the file.
        QCOMPARE(f.cfg().LoadFilename, demo);
        QCOMPARE(f.cfg().NumTx, 2);
        QCOMPARE(f.get<QLineEdit>("EditTDCFilename")->text(), QString::fromStdString(demo));
    }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
