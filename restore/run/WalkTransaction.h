// A connection to the server database whose row-by-row rewrites are
// committed together. The fix-ups walk tens of thousands of rows; saved one
// by one, each save is a commit of its own, flushed to disk. Together they
// are one commit, and a run that dies half-way leaves the table as it was
// restored rather than half rewritten. What a walk saved before an error is
// still committed, as the row-by-row saves would have been. The run log
// holds the walk's entries until the commit, so the log on disk never
// describes rows the database does not hold.
#pragma once

#include "platform/data/Connection.h"
#include "restore/run/Program.h"

namespace vrel::restore {

class WalkTransaction {
 public:
  explicit WalkTransaction(Program& program) : m_cn(program.machine), m_log(program.log) {
    m_cn.open(program.connectionString);
    m_cn.beginTrans();
    m_open = true;
    m_log.holdEntries();
  }
  ~WalkTransaction() {
    try {
      commit();
    } catch (const data::AdoError&) {
    }
    if (m_holding) m_log.releaseEntries();
  }
  WalkTransaction(const WalkTransaction&) = delete;
  WalkTransaction& operator=(const WalkTransaction&) = delete;

  data::Connection& connection() { return m_cn; }
  // Commits; raises the provider's error when that fails.
  // The walk's log entries go to the file once the commit is through (or
  // has failed).
  void commit() {
    if (!m_open) return;
    m_open = false;
    try {
      m_cn.commitTrans();
    } catch (...) {
      release();
      throw;
    }
    release();
  }

 private:
  void release() {
    if (!m_holding) return;
    m_holding = false;
    m_log.releaseEntries();
  }

  data::Connection m_cn;
  RunLog& m_log;
  bool m_open = false;
  bool m_holding = true;
};

}  // namespace vrel::restore
