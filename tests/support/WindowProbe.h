#pragma once

#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <functional>

// Finds a window's control by its designer name; a missing one fails the test program at once.
template <class T = QWidget> T* Child(const QObject* parent, const char* name)
{
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return child;
}

// Acts on the next modal window, and closes it when the action left it open.
inline void WhenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, qApp, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        act(modal);
        if (QApplication::activeModalWidget() == modal) {
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
        }
    });
}

// Text committed as the input method does: QTest::keyClicks cannot type Japanese.
inline void CommitText(QWidget* editor, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(editor, &event);
}

inline void TypeInto(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    CommitText(edit, text);
}
