// The main window's buttons open the satellite windows on the session's model, and the main window
// shows the model again when they close.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "GuiTestSupport.h"
#include "config/TFormTEMAcqChannels.h"
#include "config/TFormTimeBase.h"
#include "config/TFormTxWaveforms.h"
#include "config/TFormVehicleParams.h"
#include "core/model/derived.h"
#include "support/qt_children.h"
#include "widgets/RadioGroup.h"

using namespace tem;
using namespace tem::gui;
using namespace tem::gui::test;

namespace {

/// Clicks a main-window button; while its modal window is open, `act` runs on it.
template <class Window>
bool runModal(MainWindowFixture& f, const char* button, std::function<void(Window&)> act)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (!w)
            return;
        seen = true;
        act(*w);
    });
    f.get<QPushButton>(button)->click();
    return seen;
}

using tem::testsupport::child;

} // namespace

class SatelliteButtonsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> loaded()
    {
        auto f = std::make_unique<MainWindowFixture>();
        f->create();
        f->form->FormActivate(); // the first activation reads the start-up file; later ones only refill
        FillDualMoment(f->cfg());
        CalculateDrivenVariables(f->cfg(), f->op);
        f->form->PopulateConfigForm();
        f->op.messages.clear();
        return f;
    }

  private slots:
    void eachButtonOpensItsWindowOnTheModel()
    {
        auto f = loaded();
        QVERIFY(runModal<TFormVehicleParams>(*f, "ButtonVehicle", [](TFormVehicleParams& w) {
            child<QLineEdit>(&w, "LabeledEditSling")->setText("42");
            child<QPushButton>(&w, "BitBtnOK")->click();
        }));
        QCOMPARE(f->cfg().Vehicle.SlingLength, 42.0);

        QVERIFY(runModal<TFormTimeBase>(*f, "ButtonTimeBase", [](TFormTimeBase& w) {
            child<QLineEdit>(&w, "EditDefStacks")->setText("64");
            w.accept();
        }));
        QCOMPARE(f->cfg().TimeBase[1].FullWaveformStacks, 64);

        QVERIFY(runModal<TFormTxWaveforms>(*f, "ButtonTxWaveforms", [](TFormTxWaveforms& w) { w.accept(); }));

        // The channel window reduces the system to one transmitter; the main window shows it after.
        QVERIFY(runModal<TFormTEMAcqChannels>(*f, "ButtonAcqChannels", [](TFormTEMAcqChannels& w) {
            child<RadioGroup>(&w, "RadioGroupSingleTx")->button(1)->click();
            child<QPushButton>(&w, "BitBtnOK")->click();
        }));
        QCOMPARE(f->cfg().NumTx, 1);
        QCOMPARE(f->get<QComboBox>("ComboBoxNumTx")->currentText(), QString("1"));
    }
};

QTEST_MAIN(SatelliteButtonsTest)
#include "satellite_buttons_test.moc"
