// The most memory allocated with operator new while a scope runs, beyond
// what was allocated when it began. The book tests replace the global
// operator new and delete (AllocationPeak.cpp) to count it.
#pragma once

#include <cstdint>

namespace inkvista::testing {

class AllocationPeak {
  public:
    AllocationPeak();
    ~AllocationPeak();
    AllocationPeak(const AllocationPeak&) = delete;
    AllocationPeak& operator=(const AllocationPeak&) = delete;

    // Bytes; never below 0 even when the scope freed more than it allocated.
    uint64_t Peak() const;

  private:
    uint64_t start_;
};

}  // namespace inkvista::testing
