// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextBrowser>

#include <memory>
#include <string>

namespace morvik::platform
{
class HttpTransfer;
}

namespace win
{

// A small HTML view: fetches one page off the UI thread and shows what arrives as rich
// text, without frame or scroll bars. A page that cannot be fetched leaves it empty.
// Links open in the desktop's browser; nothing else (images, style sheets) is fetched.
class WebStrip : public QTextBrowser
{
    Q_OBJECT
public:
    explicit WebStrip(QWidget* parent = nullptr);
    ~WebStrip() override;

    // Starts fetching the page at the address; returns at once. A fetch still running
    // is abandoned.
    void load(const std::string& url);
    const std::string& address() const { return m_address; }
    // True once the last fetch has ended, shown or failed.
    bool finished() const { return m_finished; }

    QVariant loadResource(int type, const QUrl& name) override;

signals:
    // The fetch ended: the page is shown, or the strip was left empty.
    void loaded(bool shown);

private:
    void arrived(quint64 generation);

    std::unique_ptr<morvik::platform::HttpTransfer> m_transfer;
    std::string m_address;
    quint64 m_generation = 0;
    bool m_finished = true;
};

} // namespace win
