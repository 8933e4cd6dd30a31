#include "app/MessageBoxOperator.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace tem::gui {

void MessageBoxOperator::inform(const std::string& text)
{
    QMessageBox box(QMessageBox::Information, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

bool MessageBoxOperator::ask(const std::string& text, bool defaultAnswer)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(defaultAnswer ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool MessageBoxOperator::askYesAbort(const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::Abort, parent_);
    box.setDefaultButton(QMessageBox::Abort);
    box.setEscapeButton(QMessageBox::Abort);
    return box.exec() == QMessageBox::Yes;
}

int MessageBoxOperator::choose(const std::string& text, const std::array<std::string, 3>& answers,
                               int defaultAnswer)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::NoButton, parent_);
    const QMessageBox::ButtonRole roles[3] = {QMessageBox::AcceptRole, QMessageBox::DestructiveRole,
                                              QMessageBox::RejectRole};
    QPushButton* buttons[3];
    for (int i = 0; i < 3; ++i)
        buttons[i] = box.addButton(QString::fromStdString(answers[std::size_t(i)]), roles[i]);
    box.setDefaultButton(buttons[std::clamp(defaultAnswer, 0, 2)]);
    box.setEscapeButton(buttons[2]);
    box.exec();
    for (int i = 0; i < 3; ++i)
        if (box.clickedButton() == buttons[i])
            return i;
    return 2;
}

} // namespace tem::gui
