// The acquisition channel window driven through its named controls with a recording operator.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "config/TFormTEMAcqChannels.h"
#include "core/model/record_fields.h"
#include "editor_fixture.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/RadioGroup.h"

using namespace tem::gui;

class AcqChannelsTest : public QObject {
    Q_OBJECT

    struct Window {
        tem::Configuration cfg = fixture::DualMoment();
        tem::RecordingOperator op;
        std::unique_ptr<TFormTEMAcqChannels> form;

        void open()
        {
            form = std::make_unique<TFormTEMAcqChannels>(cfg, op);
            form->show();
        }
        template <class T> T* get(const char* name)
        {
            T* w = form->findChild<T*>(name);
            if (!w)
                qFatal("no control %s", name);
            return w;
        }
        KeyValueEditor* editor() { return get<KeyValueEditor>("ValueListEditorAcqChn"); }
        // What the operator does: type into a value cell.
        void type(const char* key, const QString& text)
        {
            const int row = editor()->findRow(key);
            QVERIFY2(row >= 0, key);
            editor()->item(row, 1)->setText(text);
        }
        void leave(QWidget* w)
        {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(w, &leave);
        }
    };

  private slots:
    void showsTheMatrixAliasesAndChannel()
    {
        Window w;
        w.cfg.AcqChn[1].FrontGateExists = true;
        w.cfg.AcqChn[1].FrontGatetime = 5e-6;
        w.open();
        QVERIFY(w.op.messages.empty());
        QTableWidget* m = w.get<QTableWidget>("StringGridAcqChn");
        QCOMPARE(m->item(0, 1)->text(), QString("TxDef"));
        QCOMPARE(m->item(1, 0)->text(), QString("Rx1"));
        QCOMPARE(m->item(1, 1)->text(), QString("1"));
        QCOMPARE(m->item(1, 2)->text(), QString("2"));
        QCOMPARE(w.get<RadioGroup>("RadioGroupLMTx")->itemIndex(), 1);
        QCOMPARE(w.get<RadioGroup>("RadioGroupHMTx")->itemIndex(), 2);
        QCOMPARE(w.get<RadioGroup>("RadioGroupSingleTx")->itemIndex(), 0);
        QCOMPARE(w.get<RadioGroup>("RadioGroupLMTx")->items(), QStringList({"None", "Default", "Auxiliary"}));
        QCOMPARE(w.editor()->rowCount(), int(tem::EditorRows(tem::AcqChnFields()).size()));
        QCOMPARE(w.editor()->value("TxNumber"), QString("1"));
        QCOMPARE(w.editor()->value("TransmitterMoment"), QString("LM"));
        QCOMPARE(w.get<QComboBox>("ComboBoxViewAcqChn")->count(), 2);
        QVERIFY(w.get<QLabel>("LabelFrontGate")->text().endsWith("=    0.0000050"));
        QVERIFY(w.get<QCheckBox>("CheckBoxNormalizeCurrent")->isChecked());
    }

    void editorIsCommittedWhenTheChannelChanges()
    {
        Window w;
        w.open();
        w.type("SignPattern", "1 0 -1");
        w.type("TiBLowPassFilter", "2");
        w.type("GateConstants", "1.5e-9 2e-9");
        w.get<QComboBox>("ComboBoxViewAcqChn")->setCurrentIndex(1);
        QCOMPARE(w.op.messages,
                 std::vector<std::string>{"SignPattern can only contain a list of either -1 or 1"});
        QCOMPARE(w.cfg.Tx[1].SignPattern, (std::vector<int>{1, 0}));
        QCOMPARE(w.cfg.Tx[1].LPFilterOrderandCutoff[0], 2.0);
        QCOMPARE(w.cfg.Tx[1].LPFilterOrderandCutoff[1], 30000.0);
        QCOMPARE(w.cfg.AcqChn[1].GateConstants, (std::vector<double>{1.5e-9, 2e-9}));
        QCOMPARE(w.form->DisplayedAcqChn(), 2);
        QCOMPARE(w.editor()->value("TransmitterMoment"), QString("HM"));
        // Leaving the editor with the mouse commits an edit too.
        w.type("Description", "late");
        w.leave(w.editor());
        QCOMPARE(w.cfg.AcqChn[2].Description, std::string("late"));
    }

    void countChangesCopyTheDisplayedChannel()
    {
        Window w;
        w.open();
        w.type("Description", "copied");
        QLineEdit* count = w.get<QLineEdit>("LabeledEditNumAcqChn");
        for (const char* bad : {"0", "text"}) {
            count->setText(bad);
            w.leave(count);
            QCOMPARE(count->text(), QString("2"));
            QCOMPARE(w.cfg.NumAcqChn, 2);
        }
        count->setText("4");
        w.leave(count);
        QCOMPARE(w.cfg.NumAcqChn, 4);
        QCOMPARE(w.cfg.AcqChn[3].Description, std::string("copied"));
        QCOMPARE(w.cfg.AcqChn[4].Description, std::string("copied"));
        QCOMPARE(w.cfg.AcqChn[4].TxNumber, 1);
        QCOMPARE(w.get<QComboBox>("ComboBoxViewAcqChn")->count(), 4);
    }

    void aliasGroupsFollowTheirRules()
    {
        Window w;
        w.cfg.NumAcqChn = 1;
        w.cfg.Tx[1].MomentID = tem::TMomentID::HM;
        w.cfg.Tx[2].MomentID = tem::TMomentID::HM;
        w.open();
        auto* lm = w.get<RadioGroup>("RadioGroupLMTx");
        auto* hm = w.get<RadioGroup>("RadioGroupHMTx");
        QCOMPARE(hm->itemIndex(), 2);
        lm->button(2)->click();
        QCOMPARE(hm->itemIndex(), 1);
        QCOMPARE(w.cfg.Tx[2].MomentID, tem::TMomentID::LM);
        QCOMPARE(w.cfg.Tx[1].MomentID, tem::TMomentID::HM);
        QCOMPARE(w.cfg.NumAcqChn, 2);
        QCOMPARE(w.cfg.AcqChn[2].TransmitterMoment, std::string("HM"));
        QCOMPARE(w.get<QLineEdit>("LabeledEditNumAcqChn")->text(), QString("2"));

        w.op.answers = {true};
        w.get<RadioGroup>("RadioGroupSingleTx")->button(1)->click();
        QCOMPARE(lm->itemIndex(), 0);
        QCOMPARE(hm->itemIndex(), 0);
        QCOMPARE(w.cfg.NumTx, 1);
        QCOMPARE(w.cfg.AcqChn[1].TransmitterMoment, std::string("SingleM"));
        QCOMPARE(w.cfg.Tx[1].MomentID, tem::TMomentID::SingleM);
    }

    void matrixValidation()
    {
        Window w;
        w.open();
        QTableWidget* m = w.get<QTableWidget>("StringGridAcqChn");
        m->item(1, 2)->setText("3");
        w.get<QPushButton>("ButtonValidate")->click();
        QCOMPARE(w.op.messages.front(),
                 std::string("AcqChn for Tx2 and Rx1 exceeds the number of channels specified"));
        QCOMPARE(w.cfg.AcqChn[3].TxNumber, 2);
        // Swapping the two channels in the matrix: the displayed channel 1 keeps the editor's pair.
        Window s;
        s.open();
        QTableWidget* sm = s.get<QTableWidget>("StringGridAcqChn");
        sm->item(1, 1)->setText("2");
        sm->item(1, 2)->setText("1");
        s.get<QPushButton>("ButtonValidate")->click();
        QCOMPARE(s.cfg.AcqChn[2].TxNumber, 1);
        QCOMPARE(s.cfg.AcqChn[1].TxNumber, 1);
        QCOMPARE(sm->item(1, 1)->text(), QString("2"));
    }

    void currentLinkAndOk()
    {
        Window w;
        w.cfg.Tx[1].Amps = 5;
        w.cfg.AcqChn[2].TxApproximateCurrent = 8;
        w.open();
        w.get<QCheckBox>("CheckBoxNormalizeCurrent")->click();
        QVERIFY(w.cfg.LinkTxApproximateCurrenttoTxAmps);
        w.type("TxApproximateCurrent", "0");
        w.type("RowID", "Q");
        w.get<QPushButton>("BitBtnOK")->click();
        QVERIFY(!w.form->isVisible());
        QCOMPARE(w.cfg.AcqChn[1].RowID, std::string("Q"));
        QCOMPARE(w.cfg.Tx[1].Amps, 5.0); // a current of 0 leaves the transmitter alone
        QCOMPARE(w.cfg.Tx[2].Amps, 8.0);

        // Closing other than with OK skips OK's commit.
        Window c;
        c.open();
        c.type("RowID", "Q");
        c.form->reject();
        QCOMPARE(c.cfg.AcqChn[1].RowID, fixture::DualMoment().AcqChn[1].RowID);
    }
};

QTEST_MAIN(AcqChannelsTest)
#include "acq_channels_test.moc"
