#include "support/TestSupport.h"
#include <QCoreApplication>
class T_test_registers : public QObject { Q_OBJECT };
ONDO_TEST_MAIN(T_test_registers, QCoreApplication)
#include "test_registers.moc"
