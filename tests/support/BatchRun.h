#pragma once

#include "app/cli/BatchPrint.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// One command-line run in this process: exit code and what it printed.
struct Run
{
    int code = 0;
    QString out;
    QString err;
};

inline Run Batch(QStringList arguments)
{
    arguments.prepend(QStringLiteral("ondokanri"));
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.code = RunBatchPrint(arguments, out, err);
    out.flush();
    err.flush();
    return run;
}
