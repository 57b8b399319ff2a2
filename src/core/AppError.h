#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Every error the user may see travels as an AppError carrying its Japanese text.
// The application's one guard (see widgets_ui/ErrorGuard.h) shows it in the error box.
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

// The data cannot be reached now (another program holds it, the server is away or took too long):
// the same request may succeed later, unlike a refusal of what was asked.
class TDataAway : public AppError
{
public:
    using AppError::AppError;
};

// What a message quotes of a text it did not write (a line of a file, a name, a driver's
// words): one line, control characters as spaces, at most `length` characters with "…".
QString Excerpt(const QString& text, int length = 60);
// A path quoted in a message: its end is what tells one file from another, and a folder of
// ours is seldom longer than this.
QString PathExcerpt(const QString& path, int length = 120);
// The last guard before a person reads an error: at most two lines, each of a bounded length.
QString ShortMessage(const QString& message);
