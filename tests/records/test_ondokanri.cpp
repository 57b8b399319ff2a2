#include "support/TestSupport.h"
#include <QCoreApplication>
class T_test_ondokanri : public QObject { Q_OBJECT };
ONDO_TEST_MAIN(T_test_ondokanri, QCoreApplication)
#include "test_ondokanri.moc"
