#include "base/ref_object.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace orv {
namespace {

struct Probe : TRefObject {
  explicit Probe(std::vector<std::string>& trail) : FTrail(trail) {}
  ~Probe() override { FTrail.push_back("destroyed"); }
  void Dispose() override {
    FTrail.push_back("disposed while refs=" + std::to_string(RefCount()));
    TRefObject::Dispose();
  }
  std::vector<std::string>& FTrail;
};

TEST(TRefObject, LastReleaseDisposesThenDestroys) {
  std::vector<std::string> trail;
  {
    Ref<Probe> first = MakeRef<Probe>(trail);
    EXPECT_EQ(first->RefCount(), 1);
    Ref<Probe> second = first;
    EXPECT_EQ(first->RefCount(), 2);
    Ref<TRefObject> base = std::move(second);
    EXPECT_EQ(first->RefCount(), 2);
    first.Reset();
    EXPECT_TRUE(trail.empty());
  }
  EXPECT_EQ(trail, (std::vector<std::string>{"disposed while refs=0", "destroyed"}));
}

TEST(TRefObject, CountsAtomicallyAcrossThreads) {
  std::vector<std::string> trail;
  Ref<Probe> shared = MakeRef<Probe>(trail);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) Ref<Probe> copy = shared;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(shared->RefCount(), 1);
  EXPECT_EQ(shared->ClassName(), "Probe");
}

}  // namespace
}  // namespace orv
