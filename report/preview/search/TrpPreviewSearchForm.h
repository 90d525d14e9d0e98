// TrpPreviewSearchForm: the "Find text" dialog of the preview: the text,
// the case option and where the search starts. It opens centred on the
// screen; on activation the text field has the focus with its text
// selected.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace report {

struct TrpSearchRequest {
    QString Text;
    bool CaseSensitive = false;
    bool FromFirstPage = true;
};

class TrpPreviewSearchForm : public QDialog {
    Q_OBJECT

public:
    explicit TrpPreviewSearchForm(QWidget* parent = nullptr);

    void SetRequest(const TrpSearchRequest& request);
    TrpSearchRequest Request() const;

    QLineEdit* Edit1 = nullptr;
    QCheckBox* CaseSensitive = nullptr;
    QRadioButton* FirstPage = nullptr;
    QRadioButton* CurrentPage = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace report
