#pragma once
// An ssh server of the test's own on 127.0.0.1 (a free port, its own host
// and user keys, its own configuration; nothing written to ~/.ssh), and a
// folder of it mounted by sshfs: a network volume the tests can stop and
// wake at will.

#include "support/temp_dir.h"

#include <QString>
#include <memory>

class LoopbackServer {
  public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Empty when it runs; else why not (the test skips with it).
    QString missing() const { return m_missing; }
    int port() const { return m_port; }
    QString userKey() const;
    // The served folder (local) and where sshfs shows it.
    QString servedFolder() const;
    QString mountPoint() const;
    // Mounts servedFolder() at mountPoint(); false, with missing(), when it cannot.
    bool mountShare();
    // Every process of the server's open connections stopped (SIGSTOP) or
    // woken: the share's calls then wait, as on a server that stops answering.
    void freezeConnections(bool frozen);

  private:
    testing_support::TempDir m_dir{false};
    QString m_missing;
    int m_port = 0;
    qint64 m_pid = 0;
    bool m_mounted = false;
};
