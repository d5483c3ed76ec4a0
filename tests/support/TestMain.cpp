// The main of every test program: headless, with a private settings folder, and a Qt
// application object so that QSettings and friends behave as in the product.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// QSettings fixes its folders on first use, so XDG_CONFIG_HOME must be set before any test
// (or static initialiser of one) can touch it.
std::string MakeConfigHome() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  pattern += "/corvane-tests-XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  if (mkdtemp(path.data()) == nullptr) {
    std::perror("mkdtemp");
    return {};
  }
  return path.data();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  const std::string configHome = MakeConfigHome();
  if (configHome.empty()) return EXIT_FAILURE;
  setenv("XDG_CONFIG_HOME", configHome.c_str(), /*overwrite=*/1);

  testing::InitGoogleTest(&argc, argv);
  int result = EXIT_FAILURE;
  {
    QApplication app(argc, argv);  // widgets need the full application, offscreen
    result = RUN_ALL_TESTS();
  }

  std::error_code error;
  std::filesystem::remove_all(configHome, error);
  if (error)
    std::fprintf(stderr, "could not remove %s: %s\n", configHome.c_str(), error.message().c_str());
  return result;
}
