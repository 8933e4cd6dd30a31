// The four editor windows on the demonstration configuration: each shows the model, its edits
// survive a save and a reload.

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <vector>

#include "config/TFormTEMAcqChannels.h"
#include "config/TFormTimeBase.h"
#include "config/TFormTxWaveforms.h"
#include "config/TFormVehicleParams.h"
#include "core/files/tdc_file.h"
#include "editor_fixture.h"
#include "support/qt_children.h"
#include "widgets/KeyValueEditor.h"

using namespace tem::gui;

namespace {

using tem::testsupport::child;

} // namespace

class DemoWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    tem::DataFolders m_folders;

    tem::Configuration load(const std::string& file, tem::RecordingOperator& op)
    {
        tem::Configuration cfg;
        cfg.LoadFilename = file;
        tem::LoadTDCFromFile(cfg, m_folders, op);
        return cfg;
    }

  private slots:
    void initTestCase()
    {
        m_folders = fixture::FoldersIn(m_dir);
        QDir().mkpath(QString::fromStdString(m_folders.temConfig));
        QVERIFY(QFile::copy(TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC",
                            QString::fromStdString(m_folders.temConfig) + "Demo.TDC"));
    }

    void windowsFitASmallFieldLaptopScreen()
    {
        // 1024 x 600, less a title bar and a panel: each window can be made that small (its
        // tables and charts scroll or shrink instead).
        tem::RecordingOperator op;
        tem::Configuration cfg = load(m_folders.temConfig + "Demo.TDC", op);
        tem::ScriptedFileDialogs dialogs;
        std::vector<std::unique_ptr<QWidget>> windows;
        windows.push_back(std::make_unique<TFormTimeBase>(cfg, m_folders, op, dialogs));
        windows.push_back(std::make_unique<TFormTEMAcqChannels>(cfg, op));
        windows.push_back(std::make_unique<TFormTxWaveforms>(cfg, op));
        windows.push_back(std::make_unique<TFormVehicleParams>(cfg, op, dialogs));
        for (const auto& w : windows) {
            w->show();
            const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
            QVERIFY2(
                least.width() <= 1024 && least.height() <= 560,
                qPrintable(w->objectName() + QString(": %1 x %2").arg(least.width()).arg(least.height())));
            w->hide();
        }
    }

    void windowsShowTheDemonstrationAndEditsSurviveSaveAndReload()
    {
        tem::RecordingOperator op;
        const std::string file = m_folders.temConfig + "Demo.TDC";
        tem::Configuration cfg = load(file, op);
        QCOMPARE(cfg.NumTx, 2);
        op.messages.clear();
        tem::ScriptedFileDialogs dialogs;

        {
            TFormTimeBase form(cfg, m_folders, op, dialogs);
            form.show();
            QVERIFY2(op.messages.empty(), op.messages.empty() ? "" : op.messages[0].c_str());
            QCOMPARE(child<QComboBox>(&form, "ComboBoxDefName")->currentText(), QString("DualMoment_LM_28"));
            QCOMPARE(child<QTableWidget>(&form, "StringGridAuxTimeGates")->item(31, 1)->text(),
                     QString("   0.0040000"));
            child<QLineEdit>(&form, "EditAuxStacks")->setText("128");
            child<QLineEdit>(&form, "LabeledEditFrontGateDelay")->setText("1.5");
            form.accept();
            QVERIFY(!form.isVisible());
            // The demonstration's gates are centred, so committing them raises no consistency message.
            QVERIFY2(op.messages.empty(), op.messages.empty() ? "" : op.messages[0].c_str());
            op.messages.clear();
        }
        {
            TFormTEMAcqChannels form(cfg, op);
            form.show();
            QCOMPARE(child<KeyValueEditor>(&form, "ValueListEditorAcqChn")->value("TransmitterMoment"),
                     QString("LM"));
            auto* ed = child<KeyValueEditor>(&form, "ValueListEditorAcqChn");
            ed->item(ed->findRow("Description"), 1)->setText("Low moment Z");
            child<QPushButton>(&form, "BitBtnOK")->click();
        }
        {
            TFormTxWaveforms form(cfg, op);
            form.show();
            auto* ed = child<KeyValueEditor>(&form, "ValueListEditorWaveformModelDef");
            ed->item(1, 1)->setText("0.95");
            form.accept();
        }
        {
            TFormVehicleParams form(cfg, op, dialogs);
            form.show();
            child<QLineEdit>(&form, "LabeledEditSling")->setText("25");
            form.accept();
        }
        QVERIFY2(op.messages.empty(), op.messages.empty() ? "" : op.messages[0].c_str());

        cfg.SaveFilename = m_folders.temConfig + "Edited.TDC";
        tem::SaveTDCToFile(cfg, m_folders, op);
        tem::RecordingOperator reloadOp;
        const tem::Configuration back = load(cfg.SaveFilename, reloadOp);
        QCOMPARE(back.TimeBase[2].FullWaveformStacks, 128);
        QCOMPARE(back.FrontGateDelay, 1.5e-6);
        QCOMPARE(back.AcqChn[1].Description, std::string("Low moment Z"));
        QCOMPARE(back.TxWaveform[1].WaveformPointAmplitudes[2], 0.95);
        QCOMPARE(back.Vehicle.SlingLength, 25.0);
        QCOMPARE(back.TimeBase[1].GateCentre[28], cfg.TimeBase[1].GateCentre[28]);
    }
};

QTEST_MAIN(DemoWindowsTest)
#include "demo_windows_test.moc"
