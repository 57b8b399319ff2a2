#include "environment/LateLibrary.h"

#include "environment/AppError.h"

TLateLibrary::TLateLibrary(const char* name, int version, const char* package)
    : m_library(QString::fromLatin1(name), version), m_package(QString::fromLatin1(package))
{
    if (!m_library.load())
        throw AppError(
            QStringLiteral("ライブラリ %1 を開けません。パッケージ %2 を入れてください\n%3")
                .arg(m_library.fileName(), m_package, m_library.errorString()));
}

QFunctionPointer TLateLibrary::ResolveSymbol(const char* symbol)
{
    const QFunctionPointer function = m_library.resolve(symbol);
    if (!function)
        throw AppError(
            QStringLiteral("ライブラリ %1 に %2 がありません。パッケージ %3 を入れ直してください")
                .arg(m_library.fileName(), QString::fromLatin1(symbol), m_package));
    return function;
}
