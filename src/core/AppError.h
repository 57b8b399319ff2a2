#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Every error the user may see travels as an AppError carrying its Japanese text.
// The application's one guard (see app/ErrorGuard.h) shows it in the error box.
class AppError : public std::exception
{
public:
    explicit AppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
