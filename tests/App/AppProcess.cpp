#include "App/AppProcess.hpp"
#include "Corvale/CommandSocket.hpp"

#include "Corvale/Commands.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

extern char** environ;

namespace skiro::test {

namespace {

std::vector<std::string> environmentWith(const Environment& changes) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text(*entry);
        std::size_t equals = text.find('=');
        if (equals != std::string::npos) {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    // Windows are drawn offscreen on every system, whatever display the machine has; a test
    // about the choice itself unsets this.
    variables["QT_QPA_PLATFORM"] = "offscreen";
    for (const auto& [name, value] : changes) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::vector<std::string> list;
    for (const auto& [name, value] : variables) {
        list.push_back(name + "=" + value);
    }
    return list;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> list;
    for (std::string& text : strings) {
        list.push_back(text.data());
    }
    list.push_back(nullptr);
    return list;
}

void check(int result, const char* what) {
    if (result != 0) {
        throw std::system_error(result, std::generic_category(), what);
    }
}

} // namespace

Child::Child(const std::vector<std::string>& arguments, const Options& options) {
    posix_spawn_file_actions_t actions;
    check(posix_spawn_file_actions_init(&actions), "file actions");
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (options.outputFile) {
        const std::string path = options.outputFile->string();
        check(posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, path.c_str(),
                                               O_WRONLY | O_CREAT | O_APPEND, 0600),
              "output file");
        check(posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO), "dup");
    } else {
        if (!corvale::openPipe(outPipe, false) || !corvale::openPipe(errPipe, false)) {
            throw std::system_error(errno, std::generic_category(), "pipe");
        }
        check(posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO), "dup");
        check(posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO), "dup");
    }
    check(posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0),
          "stdin");
    if (options.folder) {
        check(posix_spawn_file_actions_addchdir_np(&actions, options.folder->c_str()), "chdir");
    }
    std::vector<std::string> argv = arguments;
    std::vector<std::string> envp = environmentWith(options.environment);
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<char*> envpPointers = pointers(envp);
    int spawned = posix_spawn(&pid_, argv.front().c_str(), &actions, nullptr, argvPointers.data(),
                              envpPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (!options.outputFile) {
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        out_ = outPipe[0];
        err_ = errPipe[0];
    }
    check(spawned, "spawn");
}

Child::~Child() {
    if (running()) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (out_ >= 0) {
        ::close(out_);
    }
    if (err_ >= 0) {
        ::close(err_);
    }
}

bool Child::running() {
    if (waitStatus_) {
        return false;
    }
    int status = 0;
    pid_t ended = ::waitpid(pid_, &status, WNOHANG);
    if (ended == pid_) {
        waitStatus_ = status;
        return false;
    }
    return ended == 0;
}

void Child::signal(int number) const {
    ::kill(pid_, number);
}

Finished Child::wait(std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    Finished finished;
    // Both pipes are drained as they fill, so a child that writes much never blocks on one.
    std::string* into[2] = {&finished.out, &finished.err};
    int descriptors[2] = {out_, err_};
    while (descriptors[0] >= 0 || descriptors[1] >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            finished.timedOut = true;
            break;
        }
        pollfd watched[2] = {{descriptors[0], POLLIN, 0}, {descriptors[1], POLLIN, 0}};
        if (::poll(watched, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (descriptors[i] >= 0 && (watched[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                char buffer[4096];
                ssize_t got = ::read(descriptors[i], buffer, sizeof buffer);
                if (got > 0) {
                    into[i]->append(buffer, static_cast<std::size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    descriptors[i] = -1;
                }
            }
        }
    }
    // Without pipes (output to a file), or once they closed: wait for the end itself.
    while (!finished.timedOut && running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            finished.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    if (finished.timedOut && running()) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waitStatus_ = status;
        return finished;
    }
    if (waitStatus_) {
        if (WIFEXITED(*waitStatus_)) {
            finished.status = WEXITSTATUS(*waitStatus_);
        } else if (WIFSIGNALED(*waitStatus_)) {
            finished.signal = WTERMSIG(*waitStatus_);
        }
    }
    return finished;
}

std::filesystem::path executable() {
    return SKIRO_EXECUTABLE;
}

Finished client(const std::vector<std::string>& arguments, const Child::Options& options) {
    std::vector<std::string> command{executable().string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    Child child(command, options);
    return child.wait();
}

App::App(const std::filesystem::path& logFolder, Environment environment,
         const std::filesystem::path& program)
    : log_(logFolder / "skiro.log"),
      child_({program.string()}, {.environment = std::move(environment), .outputFile = log_}) {}

bool App::ready(std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    const std::filesystem::path socket = corvale::Commands::socketURL();
    while (std::chrono::steady_clock::now() < deadline && child_.running()) {
        // The socket file appears just before the server listens; only then is a client worth
        // starting.
        if (std::filesystem::exists(socket) && client({"state"}).status == 0) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

Finished App::run(const std::vector<std::string>& arguments, const Child::Options& options) {
    return client(arguments, options);
}

Finished App::end(int signal, std::chrono::milliseconds within) {
    child_.signal(signal);
    return child_.wait(within);
}

std::string App::output() const {
    std::ifstream file(log_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace skiro::test
