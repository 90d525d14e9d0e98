// TrpTBSeparator: the 8 x 8 gap between toolbar buttons, with an optional
// etched bevel line two pixels in from its ends: upright in a toolbar that
// runs from the left, level in one that runs from the top.
#pragma once

#include <QWidget>

namespace report {

enum class TrpToolbarAlign { Left, Top };

class TrpTBSeparator : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultSize = 8;
    // Distance of the bevel line from each end.
    static constexpr int kBevelInset = 2;

    explicit TrpTBSeparator(QWidget* parent = nullptr);

    bool DrawBevel() const { return drawBevel_; }
    void SetDrawBevel(bool on);
    TrpToolbarAlign Align() const { return align_; }
    void SetAlign(TrpToolbarAlign align);

    QSize sizeHint() const override { return {kDefaultSize, kDefaultSize}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool drawBevel_ = true;
    TrpToolbarAlign align_ = TrpToolbarAlign::Left;
};

} // namespace report
