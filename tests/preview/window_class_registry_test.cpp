#include <gtest/gtest.h>

#include <string>

#include "platform/preview/WindowClassRegistry.h"

namespace kelvra::platform::preview {
namespace {

TEST(WindowClassRegistry, RefusesDuplicatesEmptyAndOverlongNamesAndCounts) {
    WindowClassRegistry& classes = WindowClassRegistry::Instance();
    const size_t before = classes.Count();
    EXPECT_TRUE(classes.Register("VideoRenderer_a"));
    EXPECT_FALSE(classes.Register("VideoRenderer_a"));
    EXPECT_FALSE(classes.Register(""));
    EXPECT_TRUE(classes.Register(std::string(WindowClassRegistry::kMaxNameLength, 'x')));
    EXPECT_FALSE(classes.Register(std::string(WindowClassRegistry::kMaxNameLength + 1, 'y')));
    EXPECT_EQ(classes.Count(), before + 2);

    EXPECT_FALSE(classes.Unregister("VideoRenderer_unknown"));
    EXPECT_TRUE(classes.Unregister("VideoRenderer_a"));
    EXPECT_FALSE(classes.Unregister("VideoRenderer_a"));
    EXPECT_FALSE(classes.IsRegistered("VideoRenderer_a"));
    EXPECT_TRUE(classes.Unregister(std::string(WindowClassRegistry::kMaxNameLength, 'x')));
    EXPECT_EQ(classes.Count(), before);
}

TEST(WindowClassRegistry, ClassWithWindowsCannotBeUnregistered) {
    WindowClassRegistry& classes = WindowClassRegistry::Instance();
    EXPECT_FALSE(classes.AddWindow("VideoRenderer_b"));  // not registered
    ASSERT_TRUE(classes.Register("VideoRenderer_b"));
    ASSERT_TRUE(classes.AddWindow("VideoRenderer_b"));
    ASSERT_TRUE(classes.AddWindow("VideoRenderer_b"));
    classes.RemoveWindow("VideoRenderer_b");
    EXPECT_FALSE(classes.Unregister("VideoRenderer_b"));
    classes.RemoveWindow("VideoRenderer_b");
    classes.RemoveWindow("VideoRenderer_b");  // an extra release must not go below zero
    ASSERT_TRUE(classes.AddWindow("VideoRenderer_b"));
    EXPECT_FALSE(classes.Unregister("VideoRenderer_b"));
    classes.RemoveWindow("VideoRenderer_b");
    EXPECT_TRUE(classes.Unregister("VideoRenderer_b"));
}

}  // namespace
}  // namespace kelvra::platform::preview
