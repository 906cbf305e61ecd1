#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/Processes.h"
#include "support/TempTree.h"

namespace raumfuchs::test {

// A real sshd on 127.0.0.1 at a free port, with its host key, the client's
// key, authorized_keys and known_hosts in a temporary folder. Sessions run
// with PATH set to remoteBin() alone, so a test decides which scanners the
// other side has. Logins as root: by key, or by password, which always fails
// (no PAM, and root's password is never what the test types).
class LoopbackSshd {
  public:
    LoopbackSshd() {
        bin_ = dir_.path("bin");
        std::filesystem::create_directories(bin_);
        if (geteuid() != 0 || access("/usr/sbin/sshd", X_OK) != 0) {
            skipReason_ = "sshd needs root and /usr/sbin/sshd (openssh-server)";
            return;
        }
        if (commandOutput("ssh-keygen -q -t ed25519 -N '' -f " + dir_.path("host") +
                          " && ssh-keygen -q -t ed25519 -N '' -f " + dir_.path("id") + " && cp " +
                          dir_.path("id.pub") + " " + dir_.path("authorized_keys") +
                          " && echo ok") != "ok") {
            skipReason_ = "ssh-keygen failed";
            return;
        }
        port_ = freePort();
        std::ofstream(dir_.path("sshd_config"))
            << "ListenAddress 127.0.0.1\nPort " << port_ << "\nHostKey " << dir_.path("host")
            << "\nAuthorizedKeysFile " << dir_.path("authorized_keys") << "\nPidFile "
            << dir_.path("sshd.pid")
            << "\nStrictModes no\nUsePAM no\nPermitRootLogin yes\n"
               "PasswordAuthentication yes\nKbdInteractiveAuthentication no\nSetEnv PATH="
            << bin_ << "\n";
        std::ofstream(dir_.path("ssh_config"))
            << "Host *\n  IdentityFile " << dir_.path("id")
            << "\n  IdentitiesOnly yes\n  UserKnownHostsFile " << dir_.path("known_hosts")
            << "\n  GlobalKnownHostsFile /dev/null\n  ConnectTimeout 10\n";
        ::mkdir("/run/sshd", 0755);  // sshd's own empty folder for its unprivileged part
        // It goes to the background itself, so it is no child of the test.
        if (std::system(
                ("/usr/sbin/sshd -f " + dir_.path("sshd_config") + " -E " + dir_.path("sshd.log"))
                    .c_str()) == 0) {
            waitFor([this] { return std::filesystem::exists(dir_.path("sshd.pid")); }, 10000);
            pid_ = std::atoi(fileContents(dir_.path("sshd.pid")).c_str());
        }
        if (pid_ <= 0 || !waitFor([this] { return accepts(); }, 10000)) {
            skipReason_ = "sshd did not start: " + fileContents(dir_.path("sshd.log"));
        }
    }
    ~LoopbackSshd() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
        }
    }
    LoopbackSshd(const LoopbackSshd&) = delete;
    LoopbackSshd& operator=(const LoopbackSshd&) = delete;

    // Empty when it runs; else why the tests cannot use it.
    const std::string& skipReason() const { return skipReason_; }
    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "ssh://root@127.0.0.1:" + std::to_string(port_) + path;
    }
    // The client with this server's settings and the extra options given.
    std::vector<std::string> ssh(const std::vector<std::string>& options = {}) const {
        std::vector<std::string> argv{"ssh", "-F", dir_.path("ssh_config")};
        argv.insert(argv.end(), options.begin(), options.end());
        return argv;
    }
    // The other side's PATH: link the scanners it is to have in here.
    const std::string& remoteBin() const { return bin_; }
    void provide(const std::string& name, const std::string& program) const {
        std::filesystem::remove(bin_ + "/" + name);
        std::filesystem::create_symlink(program, bin_ + "/" + name);
    }
    void withdraw(const std::string& name) const { std::filesystem::remove(bin_ + "/" + name); }
    // The client knows the host key, as after a first accepted login.
    void trustHostKey() const {
        const std::string key = fileContents(dir_.path("host.pub"));
        std::ofstream(dir_.path("known_hosts"))
            << "[127.0.0.1]:" << port_ << " " << key.substr(0, key.rfind(' ')) << "\n";
    }
    void forgetHostKey() const { std::filesystem::remove(dir_.path("known_hosts")); }
    std::string knownHosts() const { return fileContents(dir_.path("known_hosts")); }
    // "SHA256:…", as ssh shows the host key.
    std::string hostKeyFingerprint() const {
        const std::string line = commandOutput("ssh-keygen -lf " + dir_.path("host.pub"));
        const std::size_t start = line.find(' ') + 1;
        return line.substr(start, line.find(' ', start) - start);
    }

  private:
    static int freePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }
    bool accepts() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return ok;
    }

    TempTree dir_;
    std::string bin_;
    std::string skipReason_;
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace raumfuchs::test
