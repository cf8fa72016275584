// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/webstrip.h"

#include "platform/net/browser.h"
#include "platform/net/http.h"
#include "widgets/qtglue.h"

#include <QMetaObject>

namespace win
{

WebStrip::WebStrip(QWidget* parent) : QTextBrowser(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setOpenLinks(false);
    setFocusPolicy(Qt::NoFocus);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    document()->setDocumentMargin(2);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
            guard(window(), [&url] { morvik::platform::openinbrowser(ss(url.toString())); });
        }
    });
}

WebStrip::~WebStrip()
{
    // Join the transfer thread while this object is still whole.
    m_transfer.reset();
}

void WebStrip::load(const std::string& url)
{
    m_transfer.reset();
    clear();
    m_address = url;
    m_finished = false;
    const quint64 generation = ++m_generation;
    m_transfer = std::make_unique<morvik::platform::HttpTransfer>();
    // Called on the transfer thread; the queued call runs arrived() on the UI thread.
    // The transfer is joined before this object goes, and a call still queued then is
    // dropped with the object.
    m_transfer->setondone([this, generation] {
        QMetaObject::invokeMethod(
            this, [this, generation] { arrived(generation); }, Qt::QueuedConnection);
    });
    try {
        m_transfer->start(url);
    } catch (const std::exception&) {
        // No thread for the fetch: the strip stays empty, as for a page that failed.
        m_transfer.reset();
        m_finished = true;
        emit loaded(false);
    }
}

void WebStrip::arrived(quint64 generation)
{
    if (generation != m_generation || m_finished || !m_transfer) {
        return;
    }
    m_finished = true;
    const long code = m_transfer->responsecode();
    const std::string chunk = m_transfer->getchunk();
    bool ok = code >= 200 && code < 300 && !chunk.empty();
    if (ok) {
        try {
            const std::string text =
                morvik::platform::decodechunk(chunk, m_transfer->contenttype());
            setHtml(qs(text));
        } catch (const std::exception&) {
            // A page that cannot be decoded is shown as none.
            clear();
            ok = false;
        }
    }
    emit loaded(ok);
}

QVariant WebStrip::loadResource(int, const QUrl&)
{
    // The strip shows the page's own text only; it reads no files and makes no
    // further requests on the UI thread.
    return {};
}

} // namespace win
