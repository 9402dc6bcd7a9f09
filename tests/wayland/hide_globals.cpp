// Stands between Wayland clients and a compositor and hides some of the
// compositor's globals, so that a client meets a compositor without them:
//   hide-globals NAME INTERFACE[,INTERFACE...]
// listens on $XDG_RUNTIME_DIR/NAME and joins each client to $WAYLAND_DISPLAY.
// Every message passes unchanged, file descriptors with it, except the
// registry's announcements of the hidden interfaces.
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct Side {
  int socket;
  std::vector<char> bytes;  // a message not yet whole
  std::vector<int> fds;     // received, not yet passed on
};

sockaddr_un Address(const std::string& name) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + name;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  return address;
}

uint32_t Word(const char* at) {
  uint32_t word;
  std::memcpy(&word, at, 4);
  return word;
}

// Passes what `from` sent on to `to`; false when `from` closed or sent nonsense.
bool Pump(Side& from, Side& to, bool fromCompositor, std::set<uint32_t>& registries,
          const std::set<std::string>& hidden) {
  char data[4096];
  alignas(cmsghdr) char control[CMSG_SPACE(28 * sizeof(int))];
  iovec io{data, sizeof data};
  msghdr message{};
  message.msg_iov = &io;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t got = recvmsg(from.socket, &message, MSG_CMSG_CLOEXEC);
  if (got <= 0) return false;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    const int* fds = reinterpret_cast<const int*>(CMSG_DATA(c));
    from.fds.insert(from.fds.end(), fds, fds + (c->cmsg_len - CMSG_LEN(0)) / sizeof(int));
  }
  if (from.fds.size() > 28) return false;
  from.bytes.insert(from.bytes.end(), data, data + got);

  std::vector<char> out;
  size_t at = 0;
  while (from.bytes.size() - at >= 8) {
    const char* m = from.bytes.data() + at;
    uint32_t object = Word(m), size = Word(m + 4) >> 16, opcode = Word(m + 4) & 0xffff;
    if (size < 8) return false;
    if (from.bytes.size() - at < size) break;
    // wl_display.get_registry(new id) from the client; wl_registry.global(name,
    // interface, version) from the compositor.
    if (!fromCompositor && object == 1 && opcode == 1 && size >= 12) registries.insert(Word(m + 8));
    bool hide = fromCompositor && opcode == 0 && registries.count(object) != 0 && size > 16 &&
                hidden.count(std::string(m + 16, strnlen(m + 16, size - 16))) != 0;
    if (!hide) out.insert(out.end(), m, m + size);
    at += size;
  }
  from.bytes.erase(from.bytes.begin(), from.bytes.begin() + static_cast<long>(at));
  if (out.empty()) return true;

  iovec outIo{out.data(), out.size()};
  msghdr send{};
  send.msg_iov = &outIo;
  send.msg_iovlen = 1;
  alignas(cmsghdr) char outControl[CMSG_SPACE(28 * sizeof(int))];
  if (!from.fds.empty()) {
    send.msg_control = outControl;
    send.msg_controllen = CMSG_SPACE(from.fds.size() * sizeof(int));
    cmsghdr* c = CMSG_FIRSTHDR(&send);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(from.fds.size() * sizeof(int));
    std::memcpy(CMSG_DATA(c), from.fds.data(), from.fds.size() * sizeof(int));
  }
  bool sent = sendmsg(to.socket, &send, MSG_NOSIGNAL) == static_cast<ssize_t>(out.size());
  for (int fd : from.fds) close(fd);
  from.fds.clear();
  return sent;
}

void Join(int client, const std::set<std::string>& hidden) {
  int compositor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address = Address(std::getenv("WAYLAND_DISPLAY"));
  if (connect(compositor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
  Side sides[2] = {{client, {}, {}}, {compositor, {}, {}}};
  std::set<uint32_t> registries;
  for (;;) {
    pollfd polls[2] = {{client, POLLIN, 0}, {compositor, POLLIN, 0}};
    if (poll(polls, 2, -1) < 0) return;
    for (int i = 0; i < 2; ++i)
      if (polls[i].revents != 0 && !Pump(sides[i], sides[1 - i], i == 1, registries, hidden)) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::getenv("XDG_RUNTIME_DIR") == nullptr || std::getenv("WAYLAND_DISPLAY") == nullptr) {
    std::fprintf(stderr, "usage: hide-globals NAME INTERFACE[,INTERFACE...] (with XDG_RUNTIME_DIR, WAYLAND_DISPLAY)\n");
    return 2;
  }
  std::set<std::string> hidden;
  for (char* name = std::strtok(argv[2], ","); name != nullptr; name = std::strtok(nullptr, ",")) hidden.insert(name);
  signal(SIGCHLD, SIG_IGN);  // each client's child ends by itself
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address = Address(argv[1]);
  unlink(address.sun_path);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 8) != 0) {
    std::perror("hide-globals");
    return 1;
  }
  for (int client; (client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; close(client))
    if (fork() == 0) {
      close(listener);
      Join(client, hidden);
      _exit(0);
    }
  return 1;
}
