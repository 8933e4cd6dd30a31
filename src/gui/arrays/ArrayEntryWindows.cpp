#include "arrays/ArrayEntryWindows.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "app/Session.h"
#include "arrays/TFormConfig.h"
#include "core/arrays/array_generators.h"
#include "core/files/value_forms.h"
#include "ui_TFormConfig.h"
#include "ui_TFormExponentialBipole.h"
#include "ui_TFormGeneralPhiTheta.h"
#include "ui_TFormGeneralXY.h"
#include "ui_TFormLinearBipoleBipole.h"
#include "ui_TFormSchlumberger.h"
#include "ui_TFormWenner.h"

namespace tem::gui {

void ArrayEntryDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (onShow)
        onShow();
}

void ArrayEntryDialog::done(int result)
{
    if (result == QDialog::Accepted && acceptCheck && !acceptCheck())
        return;
    QDialog::done(result);
}

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}
std::string S(const QString& s)
{
    return s.trimmed().toStdString();
}

/// A grid with one numbered row per configuration (column 0, read-only) and the given headers.
void PrepareGrid(QTableWidget* g, const QStringList& headers, int rows)
{
    const QSignalBlocker block(g);
    g->setColumnCount(int(headers.size()));
    g->setHorizontalHeaderLabels(headers);
    g->verticalHeader()->setVisible(false);
    g->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        auto* n = new QTableWidgetItem(QString::number(r + 1));
        n->setFlags(n->flags() & ~Qt::ItemIsEditable);
        g->setItem(r, 0, n);
        for (int c = 1; c < g->columnCount(); ++c)
            if (!g->item(r, c))
                g->setItem(r, c, new QTableWidgetItem());
    }
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

QString Cell(const QTableWidget* g, int row, int col)
{
    const QTableWidgetItem* it = g->item(row, col);
    return it ? it->text() : QString();
}

void SetText(QTableWidget* g, int row, int col, const QString& text)
{
    if (row >= g->rowCount() || col >= g->columnCount())
        return;
    if (QTableWidgetItem* it = g->item(row, col))
        it->setText(text);
    else
        g->setItem(row, col, new QTableWidgetItem(text));
}

template <std::size_t N> std::vector<std::array<std::string, N>> RowsOf(const QTableWidget* g)
{
    std::vector<std::array<std::string, N>> rows(std::size_t(g->rowCount()));
    for (int r = 0; r < g->rowCount(); ++r)
        for (std::size_t c = 0; c < N; ++c)
            rows[std::size_t(r)][c] = S(Cell(g, r, int(c) + 1));
    return rows;
}

template <std::size_t N> void ShowRows(QTableWidget* g, const std::vector<std::array<std::string, N>>& rows)
{
    for (int r = 0; r < g->rowCount() && std::size_t(r) < rows.size(); ++r)
        for (std::size_t c = 0; c < N; ++c)
            SetText(g, r, int(c) + 1, Q(rows[std::size_t(r)][c]));
}

bool RowEmpty(const QTableWidget* g, int row)
{
    for (int c = 1; c < g->columnCount(); ++c)
        if (!Cell(g, row, c).trimmed().isEmpty())
            return false;
    return true;
}

template <class UiT> struct Entry {
    ArrayEntryDialog* dialog = nullptr;
    UiT ui;
    void create(QWidget* parent)
    {
        dialog = new ArrayEntryDialog(parent);
        ui.setupUi(dialog);
        QObject::connect(ui.BitBtnOK, &QPushButton::clicked, dialog, &QDialog::accept);
        QObject::connect(ui.BitBtnCancel, &QPushButton::clicked, dialog, &QDialog::reject);
    }
};

} // namespace

struct ArrayEntryWindows::Windows {
    Entry<Ui::TFormExponentialBipole> exponential;
    Entry<Ui::TFormLinearBipoleBipole> linear;
    Entry<Ui::TFormSchlumberger> schlumberger;
    Entry<Ui::TFormWenner> wenner;
    Entry<Ui::TFormGeneralPhiTheta> phiTheta;
    Entry<Ui::TFormGeneralXY> xy;
};

const std::vector<ArrayEntryWindows::Command>& ArrayEntryWindows::Commands()
{
    static const std::vector<Command> commands = {
        {"Exponential Bipole", Q(std::string(ArrayTypeExponentialBipole))},
        {"Linear Bipole Bipole", Q(std::string(ArrayTypeLinearBipoleBipole))},
        {"Schlumberger", Q(std::string(ArrayTypeSchlumberger))},
        {"Wenner", Q(std::string(ArrayTypeWenner))},
        {"AarhusPACES", Q(std::string(ArrayTypeAarhusPACES))},
        {"GeneralPhiTheta", Q(std::string(ArrayTypeGeneralPhiTheta))},
        {"GeneralXY", Q(std::string(ArrayTypeGeneralXY))},
        {"Symmetrical Exponential", QString()},
    };
    return commands;
}

ArrayEntryWindows::ArrayEntryWindows(TFormConfig& form, Session& s)
    : form_(form), s_(s), w_(std::make_unique<Windows>())
{
    w_->exponential.create(&form);
    w_->linear.create(&form);
    w_->schlumberger.create(&form);
    w_->wenner.create(&form);
    w_->phiTheta.create(&form);
    w_->xy.create(&form);

    // Buttons inside the entry windows.
    auto& ex = w_->exponential.ui;
    QObject::connect(ex.ButtonRefreshTable, &QPushButton::clicked, w_->exponential.dialog, [this] {
        auto& u = w_->exponential.ui;
        ExponentialBipoleEntry e;
        e.FirstExponent = S(u.EditFirstExponent->text());
        e.ExponentStep = S(u.EditExponentStep->text());
        if (!RefreshExponentialTable(e, u.StringGridPotDist->rowCount(), s_.op))
            return;
        for (int r = 0; r < u.StringGridPotDist->rowCount(); ++r)
            SetText(u.StringGridPotDist, r, 1, Q(e.PotDist[std::size_t(r)]));
    });
    QObject::connect(w_->linear.ui.ButtonRefreshTable, &QPushButton::clicked, w_->linear.dialog, [this] {
        auto& u = w_->linear.ui;
        LinearBipoleBipoleEntry e;
        e.ASpacing = S(u.EditASpacing->text());
        RefreshLinearTable(e, u.StringGridLinear->rowCount());
        ShowRows(u.StringGridLinear, e.Rows);
    });
    QObject::connect(w_->schlumberger.ui.ButtonFillDown, &QPushButton::clicked, w_->schlumberger.dialog,
                     [this] {
                         auto& u = w_->schlumberger.ui;
                         SchlumbergerEntry e;
                         e.SamplePerDecade = S(u.EditSamplePerDecade->text());
                         e.Rows = RowsOf<2>(u.StringGridSchlumberger);
                         if (FillDownSchlumberger(e, u.StringGridSchlumberger->rowCount(), s_.op))
                             ShowRows(u.StringGridSchlumberger, e.Rows);
                     });
    QObject::connect(w_->wenner.ui.ButtonRefreshTable, &QPushButton::clicked, w_->wenner.dialog, [this] {
        auto& u = w_->wenner.ui;
        WennerEntry e;
        e.ASpacing = S(u.EditASpacing->text());
        if (RefreshWennerTable(e, u.StringGridWenner->rowCount(), s_.op))
            ShowRows(u.StringGridWenner, e.Rows);
    });
    auto radius = [this] {
        w_->exponential.ui.EditRadius->setEnabled(w_->exponential.ui.RadioButtonCurved->isChecked());
    };
    QObject::connect(ex.RadioButtonCurved, &QRadioButton::toggled, w_->exponential.dialog, radius);
    radius();
    w_->xy.ui.EditElectrodeLength->setReadOnly(true);
    w_->xy.ui.EditGrowthConstant->setReadOnly(true);
}

ArrayEntryWindows::~ArrayEntryWindows() = default;

ArrayEntryDialog* ArrayEntryWindows::window(const QString& type) const
{
    const std::string t = type.toStdString();
    if (t == ArrayTypeExponentialBipole)
        return w_->exponential.dialog;
    if (t == ArrayTypeLinearBipoleBipole)
        return w_->linear.dialog;
    if (t == ArrayTypeSchlumberger)
        return w_->schlumberger.dialog;
    if (t == ArrayTypeWenner)
        return w_->wenner.dialog;
    if (t == ArrayTypeGeneralPhiTheta)
        return w_->phiTheta.dialog;
    if (t == ArrayTypeGeneralXY)
        return w_->xy.dialog;
    return nullptr;
}

void ArrayEntryWindows::FillFromDescription()
{
    const ArrayDescription& d = s_.arrays;
    const std::string& type = d.AConfigExt.AConfigType;
    const int count = std::clamp(d.AConfig.numBipoles, 0, MaxArrayConfigs);
    if (type == ArrayTypeExponentialBipole) {
        auto& u = w_->exponential.ui;
        u.EditElectrodeLength->setText(Q(FormatGeneral(d.AConfigExt.TxElectrodeLength)));
        u.EditGrowthConstant->setText(Q(FormatGeneral(d.AConfigExt.PortionSizer)));
        u.EditCurrSep->setText(Q(FormatGeneral(d.CurrElecSeparation)));
        u.EditFirstExponent->setText(Q(FormatGeneral(d.FirstPotentDist)));
        u.EditExponentStep->setText(Q(FormatGeneral(d.TwoToPowerOfnIncr)));
        u.EditRadius->setText(Q(FormatGeneral(d.RadiusOfCurvature)));
    } else if (type == ArrayTypeSchlumberger) {
        auto& u = w_->schlumberger.ui;
        u.EditSamplePerDecade->setText(Q(FormatGeneral(d.SamplePerDecade)));
        PrepareGrid(u.StringGridSchlumberger, {"Config", "L", "l"}, count);
        for (int i = 1; i <= count; ++i) {
            SetText(u.StringGridSchlumberger, i - 1, 1, Q(Trim(FormatPrintfG(d.SchlumbL[i], 8, 4))));
            SetText(u.StringGridSchlumberger, i - 1, 2, Q(Trim(FormatPrintfG(d.Schlumblittlel[i], 8, 4))));
        }
    } else if (type == ArrayTypeGeneralPhiTheta) {
        auto& u = w_->phiTheta.ui;
        PrepareGrid(u.StringGridPhiTheta,
                    {"Config", "TxWidth (m)", "RxWidth (m)", "Midpnt Sep.", "Theta (deg)", "Phi   (deg)"},
                    count);
        for (int i = 1; i <= count; ++i)
            for (int c = 1; c <= 5; ++c)
                SetText(u.StringGridPhiTheta, i - 1, c, Q(d.PhiThetaInfo[c][i]));
    } else if (type == ArrayTypeGeneralXY) {
        auto& u = w_->xy.ui;
        u.EditElectrodeLength->setText(Q(FormatGeneral(d.AConfigExt.TxElectrodeLength)));
        u.EditGrowthConstant->setText(Q(FormatGeneral(d.AConfigExt.PortionSizer)));
        PrepareGrid(u.StringGridXY,
                    {"Config.", "Curr1x", "Curr1y", "Curr2x", "Curr2y", "Pot1x", "Pot1y", "Pot2x", "Pot2y"},
                    count);
        for (int i = 1; i <= count; ++i)
            for (int k = 1; k <= 4; ++k) {
                SetText(u.StringGridXY, i - 1, 2 * k - 1,
                        Q(Trim(FormatFixed(d.AConfigExt.Elecx[i][k], 8, 4))));
                SetText(u.StringGridXY, i - 1, 2 * k, Q(Trim(FormatFixed(d.AConfigExt.Elecy[i][k], 8, 4))));
            }
    }
}

bool ArrayEntryWindows::Run(const Command& c)
{
    const std::string type = c.type.toStdString();
    if (type.empty()) {
        ShowSymmetricalExponentialGuidance(s_.op);
        return false;
    }
    if (type == ArrayTypeAarhusPACES) {
        GenerateAarhusPACES(s_.arrays, s_.op);
        form_.ui->EditRxBipoles->setText(QString::number(s_.arrays.AConfig.numBipoles));
        form_.FillConfigTable();
        return true;
    }
    // The count typed in the array window gives the rows of the entry window.
    if (!form_.commitCount(true))
        return false;
    if (type == ArrayTypeGeneralXY)
        s_.op.inform(GeneralXYMessage);
    if (!runWithWindow(c.type, s_.arrays.AConfig.numBipoles))
        return false;
    form_.ui->EditRxBipoles->setText(QString::number(s_.arrays.AConfig.numBipoles));
    form_.FillConfigTable();
    return true;
}

bool ArrayEntryWindows::runWithWindow(const QString& typeName, int count)
{
    ArrayDescription& d = s_.arrays;
    Operator& op = s_.op;
    const std::string type = typeName.toStdString();
    ArrayEntryDialog* dialog = window(typeName);
    if (!dialog)
        return false;

    if (type == ArrayTypeExponentialBipole) {
        auto& u = w_->exponential.ui;
        auto entry = [&u] {
            ExponentialBipoleEntry e;
            e.CurrSep = S(u.EditCurrSep->text());
            e.FirstExponent = S(u.EditFirstExponent->text());
            e.ExponentStep = S(u.EditExponentStep->text());
            e.ElectrodeLength = S(u.EditElectrodeLength->text());
            e.GrowthConstant = S(u.EditGrowthConstant->text());
            e.Curved = u.RadioButtonCurved->isChecked();
            e.Radius = S(u.EditRadius->text());
            for (int r = 0; r < u.StringGridPotDist->rowCount(); ++r)
                e.PotDist.push_back(S(Cell(u.StringGridPotDist, r, 1)));
            return e;
        };
        PrepareGrid(u.StringGridPotDist, {"Pot.Elect.", "Pot.Dist"}, count + 1);
        dialog->onShow = [&u] { u.ButtonRefreshTable->click(); };
        dialog->acceptCheck = [&, entry] { return GenerateExponentialBipole(d, count, entry(), op); };
    } else if (type == ArrayTypeLinearBipoleBipole) {
        auto& u = w_->linear.ui;
        PrepareGrid(u.StringGridLinear, {"Config", "A", "n"}, count);
        dialog->onShow = [&u] {
            LinearBipoleBipoleEntry e;
            e.ASpacing = S(u.EditASpacing->text());
            RefreshLinearTable(e, u.StringGridLinear->rowCount());
            // Rows never filled take the table's refresh values; typed rows stay.
            for (int r = 0; r < u.StringGridLinear->rowCount(); ++r)
                if (RowEmpty(u.StringGridLinear, r))
                    for (int c = 0; c < 2; ++c)
                        SetText(u.StringGridLinear, r, c + 1, Q(e.Rows[std::size_t(r)][std::size_t(c)]));
        };
        dialog->acceptCheck = [&] {
            LinearBipoleBipoleEntry e;
            e.ASpacing = S(u.EditASpacing->text());
            e.Rows = RowsOf<2>(u.StringGridLinear);
            return GenerateLinearBipoleBipole(d, count, e, op);
        };
    } else if (type == ArrayTypeSchlumberger) {
        auto& u = w_->schlumberger.ui;
        PrepareGrid(u.StringGridSchlumberger, {"Config", "L", "l"}, count);
        dialog->onShow = nullptr;
        dialog->acceptCheck = [&] {
            SchlumbergerEntry e;
            e.SamplePerDecade = S(u.EditSamplePerDecade->text());
            e.Rows = RowsOf<2>(u.StringGridSchlumberger);
            return GenerateSchlumberger(d, count, e, op);
        };
    } else if (type == ArrayTypeWenner) {
        auto& u = w_->wenner.ui;
        PrepareGrid(u.StringGridWenner, {"Config", "A", "Alpha=1, Beta=2, Gamma=3"}, count);
        dialog->onShow = [&u] {
            WennerEntry e;
            ActivateWennerTable(e, u.StringGridWenner->rowCount());
            ShowRows(u.StringGridWenner, e.Rows);
        };
        dialog->acceptCheck = [&] {
            WennerEntry e;
            e.ASpacing = S(u.EditASpacing->text());
            e.Rows = RowsOf<2>(u.StringGridWenner);
            return GenerateWenner(d, count, e, op);
        };
    } else if (type == ArrayTypeGeneralPhiTheta) {
        auto& u = w_->phiTheta.ui;
        PrepareGrid(u.StringGridPhiTheta,
                    {"Config", "TxWidth (m)", "RxWidth (m)", "Midpnt Sep.", "Theta (deg)", "Phi   (deg)"},
                    count);
        // Rows never filled start from the stored texts (their defaults for a new array).
        for (int r = 0; r < count; ++r)
            if (RowEmpty(u.StringGridPhiTheta, r))
                for (int c = 1; c <= 5; ++c) {
                    std::string text = d.PhiThetaInfo[c][r + 1];
                    if (text.empty()) {
                        const double p = std::pow(2.0, r - 1);
                        const std::string defaults[5] = {"16", FormatGeneral(p), FormatGeneral(1.5 * p + 8),
                                                         "0", "180"};
                        text = defaults[c - 1];
                    }
                    SetText(u.StringGridPhiTheta, r, c, Q(text));
                }
        dialog->onShow = nullptr;
        dialog->acceptCheck = [&] {
            GeneralPhiThetaEntry e;
            e.Rows = RowsOf<5>(u.StringGridPhiTheta);
            return GenerateGeneralPhiTheta(d, count, e, op);
        };
    } else if (type == ArrayTypeGeneralXY) {
        auto& u = w_->xy.ui;
        PrepareGrid(u.StringGridXY,
                    {"Config.", "Curr1x", "Curr1y", "Curr2x", "Curr2y", "Pot1x", "Pot1y", "Pot2x", "Pot2y"},
                    count);
        // Rows never filled start from the electrodes the description holds.
        for (int r = 0; r < count; ++r)
            if (RowEmpty(u.StringGridXY, r))
                for (int k = 1; k <= 4; ++k) {
                    SetText(u.StringGridXY, r, 2 * k - 1, Q(FormatGeneral(d.AConfigExt.Elecx[r + 1][k])));
                    SetText(u.StringGridXY, r, 2 * k, Q(FormatGeneral(d.AConfigExt.Elecy[r + 1][k])));
                }
        dialog->onShow = nullptr;
        dialog->acceptCheck = [&] {
            GeneralXYEntry e;
            e.Rows = RowsOf<8>(u.StringGridXY);
            return GenerateGeneralXY(d, count, e, op);
        };
    }
    const bool ok = dialog->exec() == QDialog::Accepted;
    dialog->acceptCheck = nullptr;
    dialog->onShow = nullptr;
    return ok;
}

} // namespace tem::gui
