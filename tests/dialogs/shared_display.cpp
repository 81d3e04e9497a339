// One Xvfb for the whole test program: GTK opens its display once per process and would end the
// process if that server went away between tests.
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
    void SetUp() override { display_.Start(); }
    void TearDown() override { display_.Stop(); }

  private:
    SharedDisplay display_;
};

[[maybe_unused]] ::testing::Environment* const kDisplay =
    ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

}  // namespace
}  // namespace kelvra::test
