// The tests' entry point. A test program is also the worker that runs a head's entry point when
// the code under test starts it again as one (the program it starts is always its own executable).
#include <gtest/gtest.h>

#include "registration/EntryWorker.h"

int main(int argc, char** argv) {
  if (const auto workerExit = registration::RunEntryWorkerIfAsked()) return *workerExit;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
