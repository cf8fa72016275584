// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/ui.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class QMessageBox;

namespace win
{

// The Ui of one window: message boxes and input boxes parented to it, focus requests
// resolved by objectName among its children. Windows ask for focus through
// ui(this).focus("Text1") rather than calling setFocus() themselves, so that tests,
// which replace the Ui, see every focus request.
class QtUi : public QObject, public morvik::Ui
{
    Q_OBJECT
public:
    explicit QtUi(QWidget* window);

    morvik::Answer msgbox(const std::string& text, const std::string& title, morvik::Icon icon,
                          morvik::Buttons buttons = morvik::Buttons::Ok) override;
    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial = {}) override;
    void focus(const std::string& control) override;

    QWidget* window() const { return m_window; }

    // The box msgbox() shows, built but not yet shown.
    static std::unique_ptr<QMessageBox> makebox(const std::string& text, const std::string& title,
                                                morvik::Icon icon, morvik::Buttons buttons,
                                                QWidget* parent);

private:
    QPointer<QWidget> m_window;
};

} // namespace win
