// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/qtui.h"

#include "widgets/qtglue.h"

#include <QInputDialog>
#include <QMessageBox>

namespace win
{

QtUi::QtUi(QWidget* window) : QObject(window), m_window(window) {}

std::unique_ptr<QMessageBox> QtUi::makebox(const std::string& text, const std::string& title,
                                           morvik::Icon icon, morvik::Buttons buttons,
                                           QWidget* parent)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case morvik::Icon::None:
        qicon = QMessageBox::NoIcon;
        break;
    case morvik::Icon::Information:
        qicon = QMessageBox::Information;
        break;
    case morvik::Icon::Warning:
        qicon = QMessageBox::Warning;
        break;
    case morvik::Icon::Critical:
        qicon = QMessageBox::Critical;
        break;
    }
    const auto qbuttons = buttons == morvik::Buttons::Ok
                              ? QMessageBox::StandardButtons(QMessageBox::Ok)
                              : QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No);
    auto box = std::make_unique<QMessageBox>(qicon, qs(title), qs(text), qbuttons, parent);
    // Messages quote paths and file contents; "<" in them must never turn into markup.
    box->setTextFormat(Qt::PlainText);
    if (buttons == morvik::Buttons::YesNoDefaultNo) {
        box->setDefaultButton(QMessageBox::No);
    }
    return box;
}

morvik::Answer QtUi::msgbox(const std::string& text, const std::string& title, morvik::Icon icon,
                            morvik::Buttons buttons)
{
    const int result = makebox(text, title, icon, buttons, m_window)->exec();
    if (buttons == morvik::Buttons::Ok) {
        return morvik::Answer::Ok;
    }
    return result == QMessageBox::Yes ? morvik::Answer::Yes : morvik::Answer::No;
}

std::optional<std::string> QtUi::inputbox(const std::string& prompt, const std::string& title,
                                          const std::string& initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_window, qs(title), qs(prompt), QLineEdit::Normal, qs(initial), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return ss(text);
}

void QtUi::focus(const std::string& control)
{
    if (!m_window) {
        return;
    }
    if (auto* w = m_window->findChild<QWidget*>(qs(control))) {
        w->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace win
