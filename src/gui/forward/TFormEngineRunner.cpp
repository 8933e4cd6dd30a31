#include "forward/TFormEngineRunner.h"

#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>

#include "core/forward/tem_forward.h"
#include "core/operator.h"
#include "ui_TFormEngineRunner.h"

namespace tem::gui {

TFormEngineRunner::TFormEngineRunner(tem::Operator& op, QWidget* parent)
    : QDialog(parent), op_(op), ui(std::make_unique<Ui::TFormEngineRunner>())
{
    ui->setupUi(this);
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    ui->MemoConsole->setFont(mono);
    ui->MemoConsole->setMaximumBlockCount(20000); // a chatty engine must not fill the memory
    ui->ProgressBarRun->setRange(0, 0);
    connect(ui->BitBtnOK, &QPushButton::clicked, this, &TFormEngineRunner::BitBtnOKClick);
    connect(ui->BitBtnCancel, &QPushButton::clicked, this, &TFormEngineRunner::BitBtnCancelClick);
    connect(ui->BitBtnHelp, &QPushButton::clicked, this, &TFormEngineRunner::BitBtnHelpClick);
}

TFormEngineRunner::~TFormEngineRunner() = default;

void TFormEngineRunner::Begin(const QString& engine, const QString& workFolder, const QString& commandLine)
{
    builtIn_ = IsBuiltInEngine(engine.toStdString());
    setWindowTitle(QFileInfo(engine).fileName() + " Interface");
    ui->MemoConsole->clear();
    ui->BitBtnOK->setEnabled(false);
    ui->LabelStatus->setText("Processing - please wait");
    // Busy until the engine reports its first data set.
    ui->ProgressBarRun->setRange(0, 0);
    ui->ProgressBarRun->setValue(0);
    AppendLine("Current Directory set to:" + workFolder);
    AppendLine("Executing:" + commandLine);
    last_.clear();
    running_ = true;
}

void TFormEngineRunner::AppendLine(const QString& line)
{
    QScrollBar* bar = ui->MemoConsole->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    ui->MemoConsole->appendPlainText(line);
    if (running_) {
        last_.push_back(line.toStdString());
        if (last_.size() > 64)
            last_.pop_front();
    }
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TFormEngineRunner::SetProgress(int done, int total)
{
    if (total <= 0)
        return;
    ui->ProgressBarRun->setRange(0, total);
    ui->ProgressBarRun->setValue(std::clamp(done, 0, total));
}

void TFormEngineRunner::Ended()
{
    running_ = false;
    if (ui->ProgressBarRun->maximum() == 0)
        ui->ProgressBarRun->setRange(0, 1);
    ui->ProgressBarRun->setValue(ui->ProgressBarRun->maximum());
    ui->BitBtnOK->setEnabled(true);
    ui->BitBtnOK->setDefault(true);
    ui->BitBtnOK->setFocus();
    ui->LabelStatus->setText("Completed");
}

void TFormEngineRunner::BitBtnOKClick()
{
    if (running_) {
        op_.inform(builtIn_
                       ? std::string("The ") + BuiltInEngineName +
                             " process is still occurring. Quitting now will have unpredictable results"
                       : "The AarhusInv64 process is still occurring. Quitting now will have unpredictable "
                         "results");
        return;
    }
    accept();
}

void TFormEngineRunner::BitBtnCancelClick()
{
    reject();
}

void TFormEngineRunner::reject()
{
    if (running_ && cancelRun)
        cancelRun();
    running_ = false;
    QDialog::reject();
}

void TFormEngineRunner::BitBtnHelpClick()
{
    if (builtIn_) {
        op_.inform(std::string("Running ") + BuiltInEngineName +
                   ", the built-in forward engine of TEM Setrix. It needs no licence and no control file. "
                   "If a run fails, the engine's last lines above say why.");
        return;
    }
    op_.inform("Running AarhusInv64.exe - if it does not work then maybe you do not have a licence to run "
               "AarhusInv64.exe in this particular mode - See Seequent about a licence.");
}

std::vector<std::string> TFormEngineRunner::lastLines(std::size_t count) const
{
    const std::size_t from = last_.size() > count ? last_.size() - count : 0;
    return {last_.begin() + std::ptrdiff_t(from), last_.end()};
}

QString TFormEngineRunner::consoleText() const
{
    return ui->MemoConsole->toPlainText();
}

} // namespace tem::gui
