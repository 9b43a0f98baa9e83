// A provisioned Exchange 2000 server whose directory the Rilo tests shape,
// with the tool copied into C:\Vrel and run there as the restore runs it.
#pragma once

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Processes.h"
#include "platform/WinPath.h"
#include "standin/directory/DirectoryAdmin.h"
#include "standin/server/Provision.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace vrel::test {

class RiloMachine {
 public:
  static constexpr const char* kFolder = "C:\\Vrel";

  RiloMachine() : m_savedFolder(WinPaths::currentFolder()) {
    m_scratch.activate();
    standin::ProvisionOptions o;
    o.version = {4, 0, 4, 175};
    standin::ProvisionResult r;
    std::string error;
    EXPECT_TRUE(standin::provisionServer(machine(), o, r, error)) << error;
    files().createFolder(kFolder);
    EXPECT_TRUE(files().copyFile(files().paths().toWindows(ScratchMachine::tool("Rilo")), std::string(kFolder) + "\\Rilo.exe", true));
  }
  ~RiloMachine() { WinPaths::setCurrentFolder(m_savedFolder); }

  Machine& machine() { return m_scratch.machine(); }
  Files& files() { return m_scratch.files(); }
  standin::DirectoryAdmin admin() { return standin::DirectoryAdmin(machine()); }

  // Runs "C:\Vrel\RILO.EXE <arguments>" in C:\Vrel with input as the input
  // file's text (written when not null); the output file's lines.
  std::vector<std::string> run(const std::string& arguments, const char* input = nullptr,
                               const std::string& inputName = "MailstoreInput.txt") {
    if (input) {
      EXPECT_TRUE(files().writeAll(std::string(kFolder) + "\\" + inputName, input));
    }
    WinPaths::setCurrentFolder(kFolder);
    long pid = 0;
    const ProcStatus st = Processes(machine()).start(std::string(kFolder) + "\\RILO.EXE " + arguments, kMinimizedNoFocus, pid);
    EXPECT_TRUE(st) << st.description;
    if (st) Processes::wait(pid, kWaitInfinite);
    return lines(std::string(kFolder) + "\\Rilo.out");
  }

  // A file's lines (CR LF removed); a missing file has none.
  std::vector<std::string> lines(const std::string& path) {
    std::string text;
    std::vector<std::string> out;
    if (!files().readAll(path, text)) return out;
    for (std::string line : split(text, '\n')) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out.push_back(line);
    }
    if (!out.empty() && out.back().empty()) out.pop_back();
    return out;
  }

  // The log's lines as "message Error=[code]" (time and source cut off).
  std::vector<std::string> log() {
    std::vector<std::string> out;
    for (const std::string& line : lines(std::string(kFolder) + "\\RILOLOG.TXT")) {
      const std::size_t source = line.find("]  ");
      out.push_back(line.size() > 20 ? line.substr(20, source == std::string::npos ? std::string::npos : source + 1 - 20) : line);
    }
    return out;
  }
  bool logged(const std::string& line) {
    const auto all = log();
    return std::find(all.begin(), all.end(), line) != all.end();
  }

 private:
  ScratchMachine m_scratch;
  std::string m_savedFolder;
};

}  // namespace vrel::test
