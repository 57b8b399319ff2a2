#pragma once

#include <QLibrary>
#include <QString>

// A library opened at its first use instead of linked. A linked library is loaded and relocated,
// with everything it links in turn, at every start of the program, however rarely the feature
// that needs it is used.
class TLateLibrary
{
public:
    // `name` and `version` as QLibrary takes them ("px", 0 opens libpx.so.0); `package` is the
    // Debian package to name when the library is missing.
    TLateLibrary(const char* name, int version, const char* package);

    // The function `symbol` of the library; throws an AppError when the library or the function
    // cannot be found.
    template <typename Function> Function Resolve(const char* symbol)
    {
        return reinterpret_cast<Function>(ResolveSymbol(symbol));
    }

private:
    QFunctionPointer ResolveSymbol(const char* symbol);

    QLibrary m_library;
    QString m_package;
};

// A member of a table of late functions, named and typed as the library's header declares it.
#define LATE_FUNCTION(library, function)                                                           \
    decltype(&::function) function = (library).Resolve<decltype(&::function)>(#function)

// The one instance of a table of late functions, made at its first use; a failed opening is
// tried again at the next use.
template <typename Table> const Table& LateTable()
{
    static const Table table;
    return table;
}
