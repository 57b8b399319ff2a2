#include "widgets_ui/ErrorGuard.h"

#include "core/AppError.h"

#include <QMessageBox>
#include <QString>
#include <exception>

bool RunGuarded(QWidget* parent, const std::function<void()>& action)
{
    QString text;
    try {
        action();
        return true;
    } catch (const AppError& e) {
        text = e.message();
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    }
    QMessageBox::critical(parent, QStringLiteral("エラー"), text);
    return false;
}
