#include "DataModule.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("누리상점 딩동주문3"));
    order::TDM dm;
    return 0;
}
