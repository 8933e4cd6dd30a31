#pragma once
// The "ConfigTypes" commands of the array window and the six entry windows behind them. The entry
// windows are created with the array window and keep what was typed into them between uses; the
// array window fills them from a file it reads. A generator that refuses its values (the core says
// why) keeps the entry window open and the description as it was.

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QTableWidget;

namespace tem::gui {

struct Session;
class TFormConfig;

/// An entry window: OK runs its check first and stays open when the check fails.
class ArrayEntryDialog : public QDialog {
  public:
    using QDialog::QDialog;
    std::function<bool()> acceptCheck;
    /// Runs each time the window is shown (row numbers, tables filled as the family prescribes).
    std::function<void()> onShow;

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
};

class ArrayEntryWindows {
  public:
    struct Command {
        QString menuText; ///< the "ConfigTypes" item
        QString type;     ///< the AConfigType it checks; empty for the guidance command
    };
    /// The eight commands in menu order.
    static const std::vector<Command>& Commands();

    ArrayEntryWindows(TFormConfig& form, Session& s);
    ~ArrayEntryWindows();

    /// Fills the entry windows from the description just read, by its AConfigType.
    void FillFromDescription();
    /// Runs a command; true when it generated a new description.
    bool Run(const Command& c);

    /// The entry window of a type name, e.g. "Wenner" (tests).
    ArrayEntryDialog* window(const QString& type) const;

  private:
    struct Windows;
    bool runWithWindow(const QString& type, int count);
    TFormConfig& form_;
    Session& s_;
    std::unique_ptr<Windows> w_;
};

} // namespace tem::gui
