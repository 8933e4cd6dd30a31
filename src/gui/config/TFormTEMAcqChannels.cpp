#include "config/TFormTEMAcqChannels.h"

#include <QHeaderView>
#include <QShowEvent>
#include <QSignalBlocker>
#include <algorithm>

#include "config/EditorSupport.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/derived.h"
#include "core/rules/acq_channel_rules.h"
#include "ui_TFormTEMAcqChannels.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/RadioGroup.h"
#include "widgets/ScrollableWindow.h"

using tem::gui::editor::Guarded;
using tem::gui::editor::Q;
using tem::gui::editor::S;

namespace tem::gui {
namespace {

constexpr int MatrixTx = 2; // the matrix shows the default and auxiliary transmitters
constexpr int MatrixRx = 3; // and three receivers

class Flag {
  public:
    explicit Flag(bool& f) : m_f(f), m_old(f) { m_f = true; }
    ~Flag() { m_f = m_old; }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

  private:
    bool& m_f;
    bool m_old;
};

} // namespace

TFormTEMAcqChannels::TFormTEMAcqChannels(tem::Configuration& cfg, tem::Operator& op, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormTEMAcqChannels>()), m_cfg(cfg), m_op(op)
{
    ui->setupUi(this);
    tem::gui::MakeScrollable(this);
    // FormCreate: the matrix headers.
    QTableWidget* m = ui->StringGridAcqChn;
    m->setRowCount(MatrixRx + 1);
    m->setColumnCount(MatrixTx + 1);
    m->horizontalHeader()->setVisible(false);
    m->verticalHeader()->setVisible(false);
    m->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    const QStringList top = {"AcqChns", "TxDef", "TxAux"};
    for (int c = 0; c <= MatrixTx; ++c)
        editor::SetCell(m, 0, c, top[c], false);
    for (int r = 1; r <= MatrixRx; ++r)
        editor::SetCell(m, r, 0, QString("Rx%1").arg(r), false);

    ui->ValueListEditorAcqChn->setTitles("Key", "Value");
    ui->ValueListEditorAcqChn->horizontalHeader()->resizeSection(0, 200);

    connect(ui->ValueListEditorAcqChn, &KeyValueEditor::valueEdited, this, [this] { m_editorDirty = true; });
    const auto commitIfEdited = [this] {
        if (m_editorDirty)
            ComboBoxViewAcqChnDropDown();
    };
    connect(ui->ValueListEditorAcqChn, &KeyValueEditor::mouseLeft, this, commitIfEdited);
    connect(ui->ValueListEditorAcqChn, &KeyValueEditor::editingLeft, this, commitIfEdited);
    ui->ComboBoxViewAcqChn->installEventFilter(this);
    connect(ui->ComboBoxViewAcqChn, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_populating)
            ComboBoxViewAcqChnChange();
    });
    ui->LabeledEditNumAcqChn->installEventFilter(this);
    connect(ui->LabeledEditNumAcqChn, &QLineEdit::editingFinished, this,
            [this] { LabeledEditNumAcqChnMouseLeave(); });
    connect(ui->ButtonValidate, &QPushButton::clicked, this, [this] { ButtonValidateClick(); });
    connect(ui->RadioGroupSingleTx, &RadioGroup::itemClicked, this, [this] { RadioGroupSingleTxClick(); });
    connect(ui->RadioGroupLMTx, &RadioGroup::itemClicked, this, [this] { RadioGroupLMTxClick(); });
    connect(ui->RadioGroupHMTx, &RadioGroup::itemClicked, this, [this] { RadioGroupHMTxClick(); });
    connect(ui->CheckBoxNormalizeCurrent, &QCheckBox::clicked, this,
            [this] { CheckBoxNormalizeCurrentClick(); });
    connect(ui->BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
}

TFormTEMAcqChannels::~TFormTEMAcqChannels() = default;

void TFormTEMAcqChannels::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormTEMAcqChannels::done(int result)
{
    if (result == QDialog::Accepted)
        BitBtnOKClick();
    QDialog::done(result);
}

bool TFormTEMAcqChannels::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->LabeledEditNumAcqChn && event->type() == QEvent::Leave)
        LabeledEditNumAcqChnMouseLeave();
    // The editor is committed before the channel list drops down.
    if (watched == ui->ComboBoxViewAcqChn && event->type() == QEvent::MouseButtonPress && m_editorDirty)
        ComboBoxViewAcqChnDropDown();
    return QDialog::eventFilter(watched, event);
}

void TFormTEMAcqChannels::FormShow()
{
    Flag guard(m_populating);
    Guarded(m_op, [&] {
        ui->LabeledEditNumAcqChn->setText(QString::number(m_cfg.NumAcqChn));
        m_displayedAcqChn = 1;
        fillChannelList();
        ui->CheckBoxNormalizeCurrent->setChecked(!m_cfg.LinkTxApproximateCurrenttoTxAmps);
        fillMatrix();
        fillAliasGroups();
        tem::TxRxAliasAcqChnMapping(m_cfg, m_op);
        showAliasSelection({m_cfg.TxSingle, m_cfg.TxLM, m_cfg.TxHM});
        ValueListEditorAcqChnFill();
    });
}

void TFormTEMAcqChannels::fillChannelList()
{
    Flag guard(m_populating);
    QComboBox* view = ui->ComboBoxViewAcqChn;
    view->clear();
    for (int c = 1; c <= std::clamp(m_cfg.NumAcqChn, 0, tem::MaxAcqChn); ++c)
        view->addItem(QString::number(c));
    view->setCurrentIndex(m_displayedAcqChn - 1);
}

void TFormTEMAcqChannels::fillMatrix()
{
    QTableWidget* m = ui->StringGridAcqChn;
    const int txCount = std::clamp(m_cfg.NumTx, 0, MatrixTx), rxCount = std::clamp(m_cfg.NumRx, 0, MatrixRx);
    const auto cells = tem::ChannelMatrix(m_cfg, txCount, rxCount);
    for (int t = 1; t <= MatrixTx; ++t)
        for (int r = 1; r <= MatrixRx; ++r) {
            const bool used = t <= txCount && r <= rxCount;
            editor::SetCell(m, r, t, used ? Q(cells[t - 1][r - 1]) : QString(), used);
        }
}

void TFormTEMAcqChannels::fillAliasGroups()
{
    QStringList items;
    for (int k = 0; k <= std::clamp(m_cfg.NumTx, 0, tem::MaxTx); ++k)
        items << Q(tem::AliasItems[static_cast<std::size_t>(k)]);
    for (RadioGroup* g : {ui->RadioGroupSingleTx, ui->RadioGroupLMTx, ui->RadioGroupHMTx})
        g->setItems(items);
}

tem::AliasSelection TFormTEMAcqChannels::aliasSelection() const
{
    return {std::max(0, ui->RadioGroupSingleTx->itemIndex()), std::max(0, ui->RadioGroupLMTx->itemIndex()),
            std::max(0, ui->RadioGroupHMTx->itemIndex())};
}

void TFormTEMAcqChannels::showAliasSelection(const tem::AliasSelection& sel)
{
    ui->RadioGroupSingleTx->setItemIndex(sel.single);
    ui->RadioGroupLMTx->setItemIndex(sel.lm);
    ui->RadioGroupHMTx->setItemIndex(sel.hm);
}

void TFormTEMAcqChannels::ValueListEditorAcqChnFill()
{
    Guarded(m_op, [&] {
        KeyValueEditor* ed = ui->ValueListEditorAcqChn;
        ed->clearRows();
        m_editorDirty = false;
        if (m_displayedAcqChn < 1 || m_displayedAcqChn > std::min(m_cfg.NumAcqChn, tem::MaxAcqChn))
            return;
        for (const auto& [key, value] : tem::AcqChnKeyValues(m_cfg, m_displayedAcqChn))
            ed->appendRow(Q(key), Q(value));
        ui->LabelFrontGate->setText(Q(tem::FrontGateLabel(m_cfg, m_displayedAcqChn)));
    });
}

void TFormTEMAcqChannels::ComboBoxViewAcqChnDropDown()
{
    Guarded(m_op, [&] {
        KeyValueEditor* ed = ui->ValueListEditorAcqChn;
        if (ed->rowCount() == 0 || m_displayedAcqChn < 1 || m_displayedAcqChn > tem::MaxAcqChn)
            return;
        m_editorDirty = false;
        tem::CommitAcqChnKeyValues(
            m_cfg, m_displayedAcqChn, [ed](std::string_view key) { return S(ed->value(Q(key))); },
            !ui->CheckBoxNormalizeCurrent->isChecked(), m_op);
        ui->LabelFrontGate->setText(Q(tem::FrontGateLabel(m_cfg, m_displayedAcqChn)));
    });
}

void TFormTEMAcqChannels::ComboBoxViewAcqChnChange()
{
    ComboBoxViewAcqChnDropDown();
    m_displayedAcqChn = std::max(1, ui->ComboBoxViewAcqChn->currentIndex() + 1);
    ValueListEditorAcqChnFill();
}

void TFormTEMAcqChannels::LabeledEditNumAcqChnMouseLeave()
{
    if (m_populating)
        return;
    QLineEdit* edit = ui->LabeledEditNumAcqChn;
    if (edit->text().trimmed() == QString::number(m_cfg.NumAcqChn))
        return;
    Guarded(m_op, [&] {
        KeyValueEditor* ed = ui->ValueListEditorAcqChn;
        const bool changed = tem::ChangeAcqChnCount(
            m_cfg, S(edit->text()), m_displayedAcqChn,
            [ed](std::string_view key) { return S(ed->value(Q(key))); },
            !ui->CheckBoxNormalizeCurrent->isChecked(), m_op);
        edit->setText(QString::number(m_cfg.NumAcqChn));
        if (changed) {
            fillChannelList();
            ValueListEditorAcqChnFill();
        }
    });
}

void TFormTEMAcqChannels::ButtonValidateClick()
{
    Guarded(m_op, [&] {
        QTableWidget* m = ui->StringGridAcqChn;
        std::vector<std::vector<std::string>> cells;
        for (int t = 1; t <= std::clamp(m_cfg.NumTx, 0, MatrixTx); ++t) {
            cells.emplace_back();
            for (int r = 1; r <= std::clamp(m_cfg.NumRx, 0, MatrixRx); ++r)
                cells.back().push_back(m->item(r, t) ? S(m->item(r, t)->text()) : std::string());
        }
        tem::ValidateChannelMatrix(m_cfg, cells, m_op);
        ComboBoxViewAcqChnChange();
        tem::TxRxAliasAcqChnMapping(m_cfg, m_op);
        fillMatrix();
    });
}

void TFormTEMAcqChannels::afterAliasChange()
{
    Flag guard(m_populating);
    ui->LabeledEditNumAcqChn->setText(QString::number(m_cfg.NumAcqChn));
    if (ui->ComboBoxViewAcqChn->count() != std::clamp(m_cfg.NumAcqChn, 0, tem::MaxAcqChn))
        fillChannelList();
    ValueListEditorAcqChnFill();
}

void TFormTEMAcqChannels::RadioGroupSingleTxClick()
{
    Guarded(m_op, [&] {
        tem::AliasSelection sel = aliasSelection();
        tem::ApplySingleChoice(m_cfg, sel, m_op);
        showAliasSelection(sel);
        afterAliasChange();
    });
}

void TFormTEMAcqChannels::RadioGroupLMTxClick()
{
    Guarded(m_op, [&] {
        tem::AliasSelection sel = aliasSelection();
        tem::ApplyLowMomentChoice(m_cfg, sel, m_op);
        showAliasSelection(sel);
        afterAliasChange();
    });
}

void TFormTEMAcqChannels::RadioGroupHMTxClick()
{
    Guarded(m_op, [&] {
        tem::AliasSelection sel = aliasSelection();
        tem::ApplyHighMomentChoice(m_cfg, sel, m_op);
        showAliasSelection(sel);
        afterAliasChange();
    });
}

void TFormTEMAcqChannels::CheckBoxNormalizeCurrentClick()
{
    m_cfg.LinkTxApproximateCurrenttoTxAmps = !ui->CheckBoxNormalizeCurrent->isChecked();
}

void TFormTEMAcqChannels::BitBtnOKClick()
{
    Guarded(m_op, [&] {
        // A count still being typed is taken as leaving the edit would take it.
        LabeledEditNumAcqChnMouseLeave();
        ComboBoxViewAcqChnDropDown();
        tem::TxRxAliasAcqChnMapping(m_cfg, m_op);
    });
}

} // namespace tem::gui
