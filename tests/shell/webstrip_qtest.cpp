#include "shell/mainwindow.h"
#include "shell/webstrip.h"
#include "shell/windows.h"
#include "shellfixture.h"

#include <QScrollBar>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace morvik::test
{
namespace
{

// A port on 127.0.0.1 that accepts connections (the kernel completes them) but never
// answers, as a page that takes its time would.
class SilentPort
{
public:
    SilentPort()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_fd, 4) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        m_port = ntohs(address.sin_port);
    }
    ~SilentPort() { ::close(m_fd); }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/strip.html"; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A port nothing listens on: bound, never listening, so a connection is refused.
std::string refusedurl()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    ::close(fd);
    return "http://127.0.0.1:" + std::to_string(port) + "/strip.html";
}

TEST(WebStrip, StaysEmptyWhenThePageCannotBeFetched)
{
    win::WebStrip strip;
    strip.setHtml(QStringLiteral("<p>old</p>"));
    bool shown = true;
    QObject::connect(&strip, &win::WebStrip::loaded, [&shown](bool ok) { shown = ok; });
    strip.load(refusedurl());
    ASSERT_TRUE(waitfor([&strip] { return strip.finished(); }));
    EXPECT_FALSE(shown);
    EXPECT_EQ(strip.toPlainText(), QString());
}

using LauncherStrip = ShellTest;

TEST_F(LauncherStrip, TheLauncherComesUpWhileItsPageIsStillOnTheWay)
{
    SilentPort port;
    win::main::setstripaddressfortesting(port.url());
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_EQ(launcher->Scriptlet1->address(), port.url());
    EXPECT_FALSE(launcher->Scriptlet1->finished());
    EXPECT_EQ(launcher->Scriptlet1->size(), QSize(632, 22));
    EXPECT_FALSE(launcher->Scriptlet1->verticalScrollBar()->isVisible());
}

} // namespace
} // namespace morvik::test
