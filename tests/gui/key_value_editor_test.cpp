// The key/value grid: lookups, the edit signals the windows rely on, unique keys, row editing.

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "widgets/KeyValueEditor.h"

using namespace tem::gui;

class KeyValueEditorTest : public QObject {
    Q_OBJECT

  private slots:
    void programWritesAreSilentAndLookedUpByKey()
    {
        KeyValueEditor ed;
        QSignalSpy edits(&ed, &KeyValueEditor::valueEdited);
        ed.setTitles("Receiver 1 Key", "Value");
        ed.appendRow("CentroidX", "   1.000");
        ed.appendRow("Name", "Rx");
        ed.setValue("Name", "Coil"); // existing key: rewritten in place
        ed.setValue("Turns", " 10"); // new key: appended
        QCOMPARE(ed.rowCount(), 3);
        QCOMPARE(ed.keys(), QStringList({"CentroidX", "Name", "Turns"}));
        QCOMPARE(ed.value("Name"), QString("Coil"));
        QCOMPARE(ed.value("Missing", "fallback"), QString("fallback"));
        QCOMPARE(ed.findRow("Turns"), 2);
        QCOMPARE(ed.findRow("turns"), -1); // exact keys
        QCOMPARE(ed.keyTitle(), QString("Receiver 1 Key"));
        QVERIFY(!(ed.item(0, 0)->flags() & Qt::ItemIsEditable));
        QVERIFY(ed.item(0, 1)->flags() & Qt::ItemIsEditable);
        QCOMPARE(edits.count(), 0);
        ed.clearRows();
        QCOMPARE(ed.rowCount(), 0);
        QCOMPARE(edits.count(), 0);
    }

    void operatorValueEditSignalsRowKeyAndText()
    {
        KeyValueEditor ed;
        ed.appendRow("A", "1");
        ed.appendRow("B", "2");
        QSignalSpy edits(&ed, &KeyValueEditor::valueEdited);
        ed.item(1, 1)->setText("22"); // what a cell editor does on commit
        QCOMPARE(edits.count(), 1);
        QCOMPARE(edits[0][0].toInt(), 1);
        QCOMPARE(edits[0][1].toString(), QString("B"));
        QCOMPARE(edits[0][2].toString(), QString("22"));
        QCOMPARE(ed.value("B"), QString("22"));
    }

    void editableKeysStayUnique()
    {
        KeyValueEditor ed;
        ed.setKeysEditable(true);
        ed.appendRow("0.0001", "1");
        ed.appendRow("0.0002", "0");
        QVERIFY(ed.item(0, 0)->flags() & Qt::ItemIsEditable);
        QSignalSpy keyEdits(&ed, &KeyValueEditor::keyEdited);
        QSignalSpy rejected(&ed, &KeyValueEditor::duplicateKeyRejected);
        ed.item(1, 0)->setText("0.0001");
        QCOMPARE(rejected.count(), 1);
        QCOMPARE(ed.keyAt(1), QString("0.0002"));
        QCOMPARE(keyEdits.count(), 0);
        ed.item(1, 0)->setText("0.0003");
        QCOMPARE(keyEdits.count(), 1);
        QCOMPARE(keyEdits[0][1].toString(), QString("0.0002"));
        QCOMPARE(keyEdits[0][2].toString(), QString("0.0003"));
        // The shadow follows: going back to the old key is no longer a duplicate of anything.
        ed.item(0, 0)->setText("0.0002");
        QCOMPARE(rejected.count(), 1);
        QCOMPARE(ed.keys(), QStringList({"0.0002", "0.0003"}));
    }

    void rowsInsertedWithUnusedKeysAndDeleted()
    {
        KeyValueEditor ed;
        ed.setKeysEditable(true);
        ed.setRowsEditable(true);
        ed.appendRow("1", "a");
        QSignalSpy rows(&ed, &KeyValueEditor::rowsChanged);
        QCOMPARE(ed.insertRowBefore(99), 1);
        QCOMPARE(ed.insertRowBefore(0), 0);
        QCOMPARE(ed.rowCount(), 3);
        const QStringList keys = ed.keys();
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 3);
        ed.deleteRow(0);
        ed.deleteRow(7); // out of range: nothing
        QCOMPARE(ed.rowCount(), 2);
        QCOMPARE(ed.keyAt(0), QString("1"));
        QCOMPARE(rows.count(), 3);
        // Insert and Ctrl+Delete keys.
        ed.setCurrentCell(0, 1);
        QTest::keyClick(&ed, Qt::Key_Insert);
        QCOMPARE(ed.rowCount(), 3);
        ed.setCurrentCell(2, 1);
        QTest::keyClick(&ed, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(ed.rowCount(), 2);
    }

    void focusLeavingTheGridIsSignalled()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* ed = new KeyValueEditor;
        auto* other = new QLineEdit;
        layout->addWidget(ed);
        layout->addWidget(other);
        ed->appendRow("A", "1");
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy left(ed, &KeyValueEditor::editingLeft);
        ed->setFocus();
        QCOMPARE(left.count(), 0);
        other->setFocus();
        QCOMPARE(left.count(), 1);
    }
};

QTEST_MAIN(KeyValueEditorTest)
#include "key_value_editor_test.moc"
