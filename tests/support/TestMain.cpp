// Every test starts in US English, whatever the machine's regional settings;
// a test that wants Greek sets it itself.
#ifdef EKALDO_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <QLocale>

#include <gtest/gtest.h>

namespace {

class PinLocale : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // No display, also when ctest lists the tests; a neutral C locale.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    if (qEnvironmentVariableIsEmpty("EKALDO_SHARED_DIR"))
        qputenv("EKALDO_SHARED_DIR", EKALDO_SOURCE_SHARED_DIR);
    TestApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PinLocale);
    return RUN_ALL_TESTS();
}
