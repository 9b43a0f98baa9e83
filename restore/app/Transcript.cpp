#include "restore/app/Transcript.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <iostream>

namespace vrel::restore {

Transcript::Transcript() : m_stream(&m_buffer) {
  std::cout.flush();
  std::fflush(stdout);
  m_savedOut = ::dup(STDOUT_FILENO);
  // Without a copy of standard output the transcript shares it, as before.
  m_buffer.fd = m_savedOut >= 0 ? m_savedOut : STDOUT_FILENO;
  if (m_savedOut >= 0) ::dup2(STDERR_FILENO, STDOUT_FILENO);
}

Transcript::~Transcript() {
  if (m_savedOut < 0) return;
  std::cout.flush();
  std::fflush(stdout);
  ::dup2(m_savedOut, STDOUT_FILENO);
  ::close(m_savedOut);
}

Transcript::FdBuffer::int_type Transcript::FdBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize Transcript::FdBuffer::xsputn(const char* s, std::streamsize n) {
  std::streamsize done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd, s + done, static_cast<std::size_t>(n - done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += w;
  }
  return done;
}

}  // namespace vrel::restore
