// main() for window tests: one QApplication for the whole program, offscreen
// unless the caller chose a platform (a display under Xvfb, for example).

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("누리상점 딩동주문3"));
    for (const char* family : {"굴림", "돋움", "MS Sans Serif", "Gulim", "Dotum"})
        QFont::insertSubstitution(QString::fromUtf8(family), QStringLiteral("NanumGothic"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
