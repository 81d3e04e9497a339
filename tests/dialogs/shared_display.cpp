// One Xvfb for the whole test program: GTK opens its display once per process and would end the
// process if that server went away between tests. GTK is kept off the session bus and the
// user's settings (no accessibility bridge, settings in memory), which a test has no use for.
#include "preview/XvfbFixture.h"

namespace kelvra::test {
namespace {

class SharedDisplay final : public platform::preview::test::XvfbTest {
  public:
    void Start() { SetUp(); }
    void Stop() { TearDown(); }
    void TestBody() override {}
};

class DisplayEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("NO_AT_BRIDGE", "1", 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        display_.Start();
    }
    void TearDown() override { display_.Stop(); }

  private:
    SharedDisplay display_;
};

[[maybe_unused]] ::testing::Environment* const kDisplay =
    ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

}  // namespace
}  // namespace kelvra::test
