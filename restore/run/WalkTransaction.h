// A connection to the server database whose row-by-row rewrites are
// committed together. The fix-ups walk tens of thousands of rows; saved one
// by one, each save is a commit of its own, flushed to disk. Together they
// are one commit, and a run that dies half-way leaves the table as it was
// restored rather than half rewritten. What a walk saved before an error is
// still committed, as the row-by-row saves would have been.
#pragma once

#include "platform/data/Connection.h"
#include "restore/run/Program.h"

namespace vrel::restore {

class WalkTransaction {
 public:
  explicit WalkTransaction(Program& program) : m_cn(program.machine) {
    m_cn.open(program.connectionString);
    m_cn.beginTrans();
    m_open = true;
  }
  ~WalkTransaction() {
    try {
      commit();
    } catch (const data::AdoError&) {
    }
  }
  WalkTransaction(const WalkTransaction&) = delete;
  WalkTransaction& operator=(const WalkTransaction&) = delete;

  data::Connection& connection() { return m_cn; }
  // Commits; raises the provider's error when that fails.
  void commit() {
    if (!m_open) return;
    m_open = false;
    m_cn.commitTrans();
  }

 private:
  data::Connection m_cn;
  bool m_open = false;
};

}  // namespace vrel::restore
