#pragma once
// The engine runner dialog: shows the forward engine's console lines as they arrive, its progress
// and its end. It is shown modally while the engine runs as a child process; Cancel ends the child.

#include <QDialog>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tem {
class Operator;
}

namespace Ui {
class TFormEngineRunner;
}

namespace tem::gui {

class TFormEngineRunner : public QDialog {
    Q_OBJECT

  public:
    explicit TFormEngineRunner(tem::Operator& op, QWidget* parent = nullptr);
    ~TFormEngineRunner() override;

    /// A run begins: the caption names the engine, the memo is cleared and shows the folder and
    /// the command line, OK is disabled until the engine ends. Help and the messages speak of the
    /// engine named here: the built-in one or the external one.
    void Begin(const QString& engine, const QString& workFolder, const QString& commandLine);
    /// One complete console line of the engine.
    void AppendLine(const QString& line);
    /// The engine has finished data set `done` of `total`.
    void SetProgress(int done, int total);
    /// The engine has ended (by itself, by a time limit or by Cancel): OK is enabled.
    void Ended();
    bool Running() const { return running_; }

    /// Ends the child process; called by Cancel and by closing the window while the engine runs.
    std::function<void()> cancelRun;

    void BitBtnOKClick();
    void BitBtnCancelClick();
    void BitBtnHelpClick();

    QString consoleText() const;
    /// The engine's last `count` lines of the run (at most), oldest first.
    std::vector<std::string> lastLines(std::size_t count) const;

  public slots:
    void reject() override;

  private:
    tem::Operator& op_;
    std::unique_ptr<Ui::TFormEngineRunner> ui;
    bool running_ = false;
    bool builtIn_ = false;         ///< the run's engine is the built-in one
    std::deque<std::string> last_; ///< the engine's latest lines while it runs
};

} // namespace tem::gui
