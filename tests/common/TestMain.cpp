#include <QApplication>
#include <QByteArray>
#include <QList>

#include <gtest/gtest.h>

// "NAME=value" lines that a test program asks for (lumenreel_add_test ... ENVIRONMENT).
extern const char* const kLumenreelTestEnvironment __attribute__((weak));

int main(int argc, char** argv) {
    if (&kLumenreelTestEnvironment != nullptr) {
        const QList<QByteArray> lines = QByteArray(kLumenreelTestEnvironment).split('\n');
        for (const QByteArray& line : lines) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0)
                qputenv(line.left(equals).constData(), line.mid(equals + 1));
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("LUMENREEL_TEST_DATA"))
        qputenv("LUMENREEL_TEST_DATA", LUMENREEL_TEST_DATA_DIR);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
