// A configuration the program wrote, loaded, opened in every window, each window closed with its
// OK or Close button and nothing typed, then saved: the file is byte for byte the file loaded. No
// window may change a value behind the operator's back, nor make the main window think the model
// changed.

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

#include "GuiTestSupport.h"
#include "core/files/keyword_file.h"
#include "core/model/data_folders.h"

using namespace tem;
using namespace tem::gui;
using namespace tem::gui::test;
namespace fs = std::filesystem;

namespace {

/// Clicks a main-window button and closes the window it shows with that window's own OK or Close
/// button. Returns the name of the window closed (empty when none opened).
QString OpenAndClose(MainWindowFixture& f, const char* button)
{
    QString closed;
    QTimer::singleShot(0, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        closed = w->metaObject()->className();
        for (const char* name : {"BitBtnOK", "BitBtnClose", "ButtonClose"})
            if (auto* b = w->findChild<QPushButton*>(name); b && b->isVisible()) {
                b->click();
                return;
            }
        closed += " without an OK or Close button";
        w->close();
    });
    f.get<QPushButton>(button)->click();
    return closed;
}

} // namespace

class RoundTripTest : public QObject {
    Q_OBJECT

  private slots:
    void everyWindowOpenedAndClosedLeavesTheFileAsItWas_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("TDC") << "Program.TDC";
        QTest::newRow("GEX") << "Program.gex";
    }
    void everyWindowOpenedAndClosedLeavesTheFileAsItWas()
    {
        QFETCH(QString, name);
        MainWindowFixture f;
        f.create();
        const std::string work = f.dir.path().toStdString() + "/";
        const std::string file = work + name.toStdString();

        // A file the program wrote: the demonstration configuration copied by Copy As.
        f.form->LoadFile(QString::fromStdString(ShippedDemoConfiguration()));
        f.dialogs.answers = {file};
        f.form->ButtonSaveAsINIClick();
        QVERIFY(fs::exists(file));

        f.form->LoadFile(QString::fromStdString(file));
        f.form->show();
        const std::string loaded = ReadText(file);
        const struct {
            const char* button;
            const char* window;
        } windows[] = {{"ButtonTimeBase", "tem::gui::TFormTimeBase"},
                       {"ButtonAcqChannels", "tem::gui::TFormTEMAcqChannels"},
                       {"ButtonTxWaveforms", "tem::gui::TFormTxWaveforms"},
                       {"ButtonVehicle", "tem::gui::TFormVehicleParams"},
                       {"ButtonSysResponse", "tem::gui::TFormSysResp"},
                       {"ButtonFwdModel", "tem::gui::TFormForward"}};
        for (const auto& w : windows)
            QCOMPARE(OpenAndClose(f, w.button), QString(w.window));
        // Nothing typed: closing the program would not ask to save.
        QVERIFY(!f.form->ChangedSinceFile());

        f.op.answers = {true}; // the TDC's overwrite question
        f.form->ButtonSaveClick();
        QVERIFY(f.form->beenSaved());
        QCOMPARE(f.cfg().SaveFilename, file);
        const std::string saved = ReadText(file);
        if (saved != loaded) {
            // The first differing line, for the report.
            const auto a = SplitLines(loaded), b = SplitLines(saved);
            for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
                const std::string la = i < a.size() ? a[i] : "<none>", lb = i < b.size() ? b[i] : "<none>";
                if (la != lb)
                    QFAIL(qPrintable(QString("line %1: loaded '%2', saved '%3'")
                                         .arg(i + 1)
                                         .arg(QString::fromStdString(la), QString::fromStdString(lb))));
            }
            QFAIL("the saved file differs in its line ends");
        }
    }
};

QTEST_MAIN(RoundTripTest)
#include "round_trip_test.moc"
