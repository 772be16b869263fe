// `Text1`: the help panel.
#pragma once

#include <QPlainTextEdit>

namespace dorvantile::app {

/// A read-only multi-line text that reports clicks on it.
class HelpPanel final : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit HelpPanel(QWidget* parent = nullptr);

    /// Shows `text`, whose lines end in CR LF.
    void setHelpText(const std::string& text);

signals:
    /// The left button was pressed and released over the panel.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace dorvantile::app
