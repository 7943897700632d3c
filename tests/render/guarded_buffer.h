// GuardedBuffer: a byte buffer placed against an inaccessible page, so that
// any access past its end (or, placed the other way, before its start)
// faults at once, in every build. AddressSanitizer's red zones catch small
// overruns of heap buffers; a guard page also catches far ones.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>

namespace skyweave::test {

class GuardedBuffer {
  public:
    enum class Guard { AfterEnd, BeforeStart };

    GuardedBuffer(std::size_t size, Guard guard) : size_(size) {
        page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t dataPages = (size + page_ - 1) / page_;
        mapped_ = (dataPages + 2) * page_;
        void* base =
            mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            throw std::runtime_error("mmap failed");
        }
        base_ = static_cast<std::uint8_t*>(base);
        mprotect(base_, page_, PROT_NONE);
        mprotect(base_ + (dataPages + 1) * page_, page_, PROT_NONE);
        data_ = guard == Guard::AfterEnd ? base_ + (dataPages + 1) * page_ - size : base_ + page_;
    }
    ~GuardedBuffer() { munmap(base_, mapped_); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    std::span<std::uint8_t> Bytes() { return {data_, size_}; }

  private:
    std::size_t size_ = 0;
    std::size_t page_ = 0;
    std::size_t mapped_ = 0;
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
};

}  // namespace skyweave::test
