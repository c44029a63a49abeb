// Shared main for every test program: points QUODLIN_HOME at a fresh temporary
// folder so no test ever touches the user's settings or databases, and creates
// the Qt application object the program's code needs (none for the engine).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#if defined(QUODLIN_TEST_GUI)
#include <QApplication>
#elif defined(QUODLIN_TEST_QT)
#include <QCoreApplication>
#endif

namespace {
std::filesystem::path makeTestHome()
{
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto dir = base / ("quodlin-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(dir))
            return dir;
    }
}
} // namespace

int main(int argc, char **argv)
{
    const auto home = makeTestHome();
#ifdef _WIN32
    _putenv_s("QUODLIN_HOME", home.string().c_str());
#else
    setenv("QUODLIN_HOME", home.string().c_str(), 1);
    if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
    ::testing::InitGoogleTest(&argc, argv);
#if defined(QUODLIN_TEST_GUI)
    QApplication app(argc, argv);
#elif defined(QUODLIN_TEST_QT)
    QCoreApplication app(argc, argv);
#endif
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return rc;
}
