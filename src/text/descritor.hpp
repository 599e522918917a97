// An open file descriptor that is closed on every way out.
#pragma once

#include <unistd.h>

namespace nivora {

/// Owns a file descriptor (or none, -1) and closes it when it goes out of scope,
/// unless it was released first. A close failure is not reported: a descriptor
/// whose close must be checked (an output file) is closed by its owner instead.
class GuardaDescritor {
 public:
  explicit GuardaDescritor(int fd = -1) noexcept : fd_(fd) {}
  ~GuardaDescritor() {
    if (fd_ >= 0) ::close(fd_);
  }
  GuardaDescritor(const GuardaDescritor&) = delete;
  GuardaDescritor& operator=(const GuardaDescritor&) = delete;

  int Get() const noexcept { return fd_; }
  /// Gives the descriptor up to the caller, who closes it from now on.
  int Liberar() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace nivora
