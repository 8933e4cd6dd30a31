#pragma once
// The help window: what the main window shows and how the two file formats compare. Shown
// without being modal.

#include <QWidget>

#include <memory>

namespace Ui {
class TFormHELP;
}

namespace tem::gui {

class TFormHELP : public QWidget {
    Q_OBJECT

  public:
    /// A window of its own; parent only keeps it alive with the main window.
    explicit TFormHELP(QWidget* parent = nullptr);
    ~TFormHELP() override;

    /// The help text.
    static QString HelpText();

  private:
    std::unique_ptr<Ui::TFormHELP> ui;
};

} // namespace tem::gui
