#pragma once
// The operator interface of the application: message boxes and Yes/No questions.

#include "core/operator.h"

class QWidget;

namespace tem::gui {

class MessageBoxOperator : public Operator {
  public:
    /// parentWindow may be null; message boxes then centre on the screen.
    explicit MessageBoxOperator(QWidget* parentWindow = nullptr) : parent_(parentWindow) {}
    void setParentWindow(QWidget* parentWindow) { parent_ = parentWindow; }

    void inform(const std::string& text) override;
    bool ask(const std::string& text, bool defaultAnswer) override;
    bool askYesAbort(const std::string& text) override;
    int choose(const std::string& text, const std::array<std::string, 3>& answers,
               int defaultAnswer) override;

  private:
    QWidget* parent_;
};

} // namespace tem::gui
