#pragma once

// Runs a check in a child process that holds no privileges: file permissions do not stop the
// superuser, so a test of a denied permission drops them there. A crash of the check fails
// only the test that ran it.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace HyxTest {

/// The text `check` returns, run in a child process with the ids of an unprivileged user when
/// this one is the superuser; a text naming the failure when the child cannot drop them or
/// does not end normally.
inline std::string RunUnprivileged(const std::function<std::string()>& check)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "no child";
    if (child == 0) {
        ::close(channel[0]);
        constexpr uid_t kNobody = 65534;
        std::string text;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            text = "privileges not dropped";
        else
            text = check();
        for (size_t done = 0; done < text.size();) {
            const ssize_t n = ::write(channel[1], text.data() + done, text.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        ::_exit(0); // no exit handlers: they belong to the parent
    }
    ::close(channel[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child ended abnormally: " + text;
    return text;
}

} // namespace HyxTest
