#include "widgets_ui/ErrorGuard.h"

#include "core/AppError.h"

#include <QMessageBox>
#include <QString>
#include <exception>
#include <new>

bool RunGuarded(QWidget* parent, const std::function<void()>& action)
{
    QString text;
    try {
        action();
        return true;
    } catch (const AppError& e) {
        text = e.message();
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("メモリが足りないため、この操作を続けられません");
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    }
    // Messages quote file lines and names: shown as written, never as markup.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), ShortMessage(text),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return false;
}
