// The lock file is flock'ed, so the kernel lets go of it when its holder ends
// however it ends; it is never deleted (deleting a lock file races with the
// next one taking it). The activation socket is bound by the guard's holder
// only, which may therefore remove whatever an ended client left under its
// name. It is not removed when the receiver stops: after an update's
// hand-over the name may already belong to the new build.

#include "platform/SingleInstance.h"

#include "platform/posix/UniqueFd.h"
#include "platform/posix/UserFolders.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace nimbral::platform {

namespace {

namespace fs = std::filesystem;
using posix::TUniqueFd;

constexpr std::string_view kGuardName = "NimbralClient_SingleInstance";
constexpr std::string_view kMessageName = "NimbralClient_Activate";

struct TSessionNames {
    fs::path Lock;
    fs::path Socket;
};

// A session id becomes part of two file names: anything but these
// characters could lead out of the folder or make names of other sessions.
bool UsableSessionId(std::string_view Id) {
    if (Id.size() > 64)
        return false;
    for (const char c : Id) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '-' || c == '.';
        if (!plain)
            return false;
    }
    return true;
}

// Raises std::runtime_error when there is no usable runtime folder or
// session id.
TSessionNames SessionNames() {
    fs::path folder;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        folder = runtime;
        posix::RequireOwnFolder(folder);
    } else {
        folder = posix::OwnFolder(fs::path("/tmp") / ("nimbral-runtime-" + std::to_string(::getuid())));
    }
    std::string suffix;
    const char* session = std::getenv("XDG_SESSION_ID");
    if (session != nullptr && *session != '\0') {
        if (!UsableSessionId(session))
            throw std::runtime_error("the login session's id cannot be part of a file name");
        suffix = std::string("-") + session;
    }
    return {folder / (std::string(kGuardName) + suffix), folder / (std::string(kMessageName) + suffix)};
}

std::optional<sockaddr_un> SocketAddress(const fs::path& Path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = Path.native();
    if (text.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

TUniqueFd BindActivationSocket(const fs::path& Path) {
    const auto address = SocketAddress(Path);
    if (!address)
        throw std::runtime_error("the activation socket's path is too long: " + Path.string());
    TUniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket)
        throw std::runtime_error("the activation socket cannot be made");
    ::unlink(Path.c_str());  // left by a client that ended: we hold the guard
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0)
        throw std::runtime_error("the activation socket cannot be bound: " + Path.string() + ": " +
                                 std::strerror(errno));
    return socket;
}

// FNV-1a of the name, folded into the range Windows gives registered
// messages (0xC000 to 0xFFFF): never 0, the same in every process.
constexpr std::uint32_t NameMessageId(std::string_view Name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : Name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return 0xC000u | (hash & 0x3FFFu);
}

}  // namespace

std::uint32_t RegisterActivationMessage() {
    return NameMessageId(kMessageName);
}

struct TInstanceGuard::TState {
    std::optional<TSessionNames> Names;  // of the session, once the guard was held
    TUniqueFd Lock;
    TActivationReceiver* Receiver = nullptr;

    TGuardState TakeLock(const TSessionNames& Session) {
        TUniqueFd fd(::open(Session.Lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
        if (!fd)
            return TGuardState::Unavailable;
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? TGuardState::AlreadyRunning : TGuardState::Unavailable;
        Lock = std::move(fd);
        Names = Session;
        return TGuardState::Acquired;
    }
};

struct TActivationReceiver::TState {
    std::function<void()> OnActivation;
    fs::path SocketPath;
    TUniqueFd Socket;
    TUniqueFd Wake;  // eventfd: stop, or look at the socket anew
    std::atomic<bool> Stopping{false};
    TInstanceGuard* Guard = nullptr;
    std::thread Listener;

    void Listen() {
        while (true) {
            pollfd fds[2] = {{Socket.Get(), POLLIN, 0}, {Wake.Get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents != 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] const auto drained = ::read(Wake.Get(), &count, sizeof count);
                if (Stopping)
                    return;
                continue;  // rebound: the descriptor now names the new socket
            }
            if ((fds[0].revents & POLLIN) != 0) {
                char byte = 0;
                // Every datagram is one activation, whatever it carries.
                if (::recv(Socket.Get(), &byte, sizeof byte, MSG_DONTWAIT) >= 0)
                    OnActivation();
            } else if (fds[0].revents != 0) {
                return;  // the socket failed: nothing more will come
            }
        }
    }

    // After Retake: whatever was bound under the name meanwhile (a build
    // that started and ended) is replaced by a socket of ours again, on the
    // same descriptor number the listener polls.
    void Rebind() noexcept {
        try {
            const TUniqueFd fresh = BindActivationSocket(SocketPath);
            if (::dup3(fresh.Get(), Socket.Get(), O_CLOEXEC) < 0)
                return;
        } catch (const std::exception&) {
            return;  // stays deaf; the client itself carries on
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto woken = ::write(Wake.Get(), &one, sizeof one);
    }
};

TInstanceGuard::TInstanceGuard() : FState(std::make_unique<TState>()) {}

TInstanceGuard::~TInstanceGuard() {
    if (FState->Receiver != nullptr)
        FState->Receiver->FState->Guard = nullptr;
}

TGuardState TInstanceGuard::Acquire() {
    if (FState->Lock)
        return TGuardState::Acquired;
    try {
        return FState->TakeLock(SessionNames());
    } catch (const std::runtime_error&) {
        return TGuardState::Unavailable;
    }
}

bool TInstanceGuard::Held() const {
    return static_cast<bool>(FState->Lock);
}

void TInstanceGuard::Release() {
    FState->Lock.Reset();
}

bool TInstanceGuard::Retake() {
    if (FState->Lock)
        return true;
    if (!FState->Names || FState->TakeLock(*FState->Names) != TGuardState::Acquired)
        return false;
    if (FState->Receiver != nullptr)
        FState->Receiver->FState->Rebind();
    return true;
}

void PostActivation(std::uint32_t MessageId) {
    if (MessageId == 0)
        return;
    std::optional<sockaddr_un> address;
    try {
        address = SocketAddress(SessionNames().Socket);
    } catch (const std::runtime_error&) {
        return;
    }
    const TUniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!address || !socket)
        return;
    // Never wait: a running client that does not read has the datagrams it
    // already has, and a second start must end at once.
    ::sendto(socket.Get(), nullptr, 0, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&*address),
             sizeof *address);
}

TActivationReceiver::TActivationReceiver(TInstanceGuard& Guard, std::function<void()> OnActivation)
    : FState(std::make_unique<TState>()) {
    if (!Guard.Held() || !Guard.FState->Names)
        throw std::runtime_error("activations are heard only while the single-instance guard is held");
    FState->OnActivation = std::move(OnActivation);
    FState->SocketPath = Guard.FState->Names->Socket;
    FState->Socket = BindActivationSocket(FState->SocketPath);
    FState->Wake = TUniqueFd(::eventfd(0, EFD_CLOEXEC));
    if (!FState->Wake)
        throw std::runtime_error("the activation listener cannot be woken");
    FState->Listener = std::thread([State = FState.get()] { State->Listen(); });
    FState->Guard = &Guard;
    Guard.FState->Receiver = this;
}

TActivationReceiver::~TActivationReceiver() {
    FState->Stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto woken = ::write(FState->Wake.Get(), &one, sizeof one);
    FState->Listener.join();
    if (FState->Guard != nullptr)
        FState->Guard->FState->Receiver = nullptr;
}

}  // namespace nimbral::platform
