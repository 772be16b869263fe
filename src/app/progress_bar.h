// `Bar` and `ProcentLabel`: the progress bar the animation draws on and its percentage.
#pragma once

#include "platform/controls.h"

#include <QFrame>
#include <QImage>
#include <QLabel>

namespace dorvantile::app {

/// A picture box: a sunken border around a picture that the program draws on, in pixel
/// coordinates from the picture's top-left corner. Focused, its border becomes a ring of the
/// highlight colours.
class BarBox final : public QFrame {
    Q_OBJECT

public:
    /// `background`: the colour of the picture after `Cls`.
    explicit BarBox(QColor background, QWidget* parent = nullptr);

    /// What is drawn, as large as the area inside the border.
    const QImage& picture() const { return picture_; }

    /// The percentage the bar stands at, for assistive technology: 0 once erased.
    int value() const { return value_; }
    /// Sets the percentage and tells assistive technology of a change.
    void setValue(int percent);

    /// Erases everything drawn, leaving the background colour; the value becomes 0.
    void Cls();
    /// Draws a one-pixel line between two points, both included.
    void line(QPoint from, QPoint to, QColor colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QColor background_;
    QImage picture_;
    int value_ = 0;
};

/// The progress display of a run: the bar and the label beside it.
class ProgressBar final : public ProgressDisplay {
public:
    ProgressBar(BarBox& bar, QLabel& procentLabel) : bar_(bar), procentLabel_(procentLabel) {}

    void Cls() override { bar_.Cls(); }
    void line(int x1, int y1, int x2, int y2, Rgb colour) override;
    /// Sets the label's caption; the label's width follows it, the bar's value is the
    /// percentage it reads.
    void setCaption(std::string_view caption) override;

private:
    BarBox& bar_;
    QLabel& procentLabel_;
};

} // namespace dorvantile::app
