#include "app/MessageBoxOperator.h"

#include <QApplication>
#include <QMessageBox>

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

} // namespace tem::gui
