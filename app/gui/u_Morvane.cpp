// TfmMorvane: controls of the validation window and the wiring of its
// actions to TMorvaneWorkflow.
#include "u_Morvane.h"

#include "AppExceptionHandler.h"
#include "QtMessageSink.h"
#include "ResultGridView.h"
#include "ShortDateFormat.h"
#include "TSummaryReport.h"
#include "TrpReport.h"
#include "TrpReportGeneration.h"
#include "tabula/Component.h"
#include "tabula/TabulaTable.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace morvane {

// Messages of the workflow reach the user through the application's boxes;
// before a box opens, the window shows the state the road has reached, so
// the grid rows stand behind "Error Data. " as they were found.
class TfmMorvane::TWindowMessageSink : public TMessageSink {
public:
    explicit TWindowMessageSink(TfmMorvane& window) : window_(window), boxes_(&window) {}
    void ShowMessage(TMessageKind kind, const std::string& text) override {
        window_.PullFields();
        boxes_.ShowMessage(kind, text);
    }

private:
    TfmMorvane& window_;
    TQtMessageSink boxes_;
};

namespace {

std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString PathText(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

QLabel* NewLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TfmMorvane::TfmMorvane(const QString& dataDir, QWidget* parent)
    : QWidget(parent), dataDir_(dataDir), sink_(std::make_unique<TWindowMessageSink>(*this)) {
    setObjectName(QStringLiteral("fmMorvane"));
    setWindowTitle(QStringLiteral("Morvane"));
    workflow_ = std::make_unique<TMorvaneWorkflow>(PathBytes(dataDir_), grid_, *sink_);
    fill_ = std::make_unique<TReportTableFill>();
    fill_->Install(*workflow_, *sink_);
    components_ = std::make_unique<tabula::TComponent>();
    components_->SetName("fmMorvane");
    summary_ = std::make_unique<TSummaryReport>(*components_, fill_->dbDetailReport());

    OpenFileDialog = [this]() -> std::optional<QString> {
        if (odlg->exec() != QDialog::Accepted || odlg->selectedFiles().isEmpty())
            return std::nullopt;
        return odlg->selectedFiles().constFirst();
    };
    FolderBrowser = [this]() -> std::optional<QString> {
        QString root = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (!QDir(root).exists())
            root = QDir::homePath();
        const QString folder = QFileDialog::getExistingDirectory(
            window(), QStringLiteral("Select Directory"), root, QFileDialog::ShowDirsOnly);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    };
    Clock = [] { return std::chrono::system_clock::now(); };

    BuildControls();
    TAppExceptionHandler::Run([this] { FormCreate(); });
}

TfmMorvane::~TfmMorvane() = default;

void TfmMorvane::BuildControls() {
    QPalette pal = palette();
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = new QWidget(PageControl1);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QString());
    outer->addWidget(PageControl1);

    auto* page = new QVBoxLayout(TabSheet1);
    auto* form = new QGridLayout();
    form->setHorizontalSpacing(8);

    edtFileInput = new QLineEdit(TabSheet1);
    edtFileInput->setObjectName(QStringLiteral("edtFileInput"));
    btnOpenFile = new QPushButton(QStringLiteral("Open"), TabSheet1);
    btnOpenFile->setObjectName(QStringLiteral("btnOpenFile"));
    form->addWidget(NewLabel(QStringLiteral("Label1"), QStringLiteral("File Name"), TabSheet1), 0,
                    0);
    form->addWidget(edtFileInput, 0, 1);
    form->addWidget(btnOpenFile, 0, 2);

    DestinationPath = new QLineEdit(TabSheet1);
    DestinationPath->setObjectName(QStringLiteral("DestinationPath"));
    Button3 = new QPushButton(QStringLiteral("Open"), TabSheet1);
    Button3->setObjectName(QStringLiteral("Button3"));
    form->addWidget(
        NewLabel(QStringLiteral("Label2"), QStringLiteral("Destination  Path"), TabSheet1), 1, 0);
    form->addWidget(DestinationPath, 1, 1);
    form->addWidget(Button3, 1, 2);
    form->setColumnStretch(1, 1);
    page->addLayout(form);

    auto* buttons = new QHBoxLayout();
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton),
                              QStringLiteral("Validate"), TabSheet1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                              QStringLiteral("Print"), TabSheet1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn3 = new QPushButton(style()->standardIcon(QStyle::SP_DialogResetButton),
                              QStringLiteral("Clear"), TabSheet1);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    for (QPushButton* b : {BitBtn2, BitBtn1, BitBtn3}) {
        b->setMinimumWidth(90);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    page->addLayout(buttons);

    auto* hashRow = new QHBoxLayout();
    edtHashvalue = new QLineEdit(TabSheet1);
    edtHashvalue->setObjectName(QStringLiteral("edtHashvalue"));
    edtHashvalue->setFrame(false);
    hashRow->addWidget(NewLabel(QStringLiteral("Label3"), QStringLiteral("Hash value"), TabSheet1));
    hashRow->addWidget(edtHashvalue, 1);
    page->addLayout(hashRow);

    Label4 = NewLabel(QStringLiteral("Label4"), QString(), TabSheet1);
    QFont bold = Label4->font();
    bold.setBold(true);
    Label4->setFont(bold);
    pal = Label4->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label4->setPalette(pal);
    page->addWidget(Label4);

    StringGrid1 = new TResultGridView(grid_, TabSheet1);
    page->addWidget(StringGrid1, 1);

    odlg = new QFileDialog(this);
    odlg->setObjectName(QStringLiteral("odlg"));
    odlg->setFileMode(QFileDialog::ExistingFile);
    odlg->setAcceptMode(QFileDialog::AcceptOpen);

    // The user starts with the file name; Tab walks the controls in the
    // order of the work.
    setTabOrder(edtFileInput, btnOpenFile);
    setTabOrder(btnOpenFile, DestinationPath);
    setTabOrder(DestinationPath, Button3);
    setTabOrder(Button3, BitBtn2);
    setTabOrder(BitBtn2, BitBtn1);
    setTabOrder(BitBtn1, BitBtn3);
    setTabOrder(BitBtn3, edtHashvalue);
    setTabOrder(edtHashvalue, StringGrid1);
    edtFileInput->setFocus();

    connect(btnOpenFile, &QPushButton::clicked, this, [this] { btnOpenFileClick(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
}

void TfmMorvane::FormCreate() {
    // The statement runs before this window's own database has a directory:
    // "DB" resolves to the first database of that name, the logon window's.
    // The padding strings belong to the validator.
    fill_->EmptyReportTable();
    PageControl1->setTabText(0, QStringLiteral("Validate File "));
    SetProgramShortDateFormat();
    fill_->SetDirectory(PathBytes(dataDir_ + QStringLiteral("/")));
}

void TfmMorvane::MinimizeOnClose(QMdiSubWindow* frame) {
    frame->installEventFilter(this);
}

bool TfmMorvane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(watched)) {
            event->ignore();
            frame->showMinimized();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfmMorvane::PushFields() {
    TWorkflowFields& f = workflow_->Fields;
    f.FileInput = PathBytes(edtFileInput->text());
    f.DestinationPath = PathBytes(DestinationPath->text());
    f.HashValue = edtHashvalue->text().toStdString();
}

void TfmMorvane::PullFields() {
    const TWorkflowFields& f = workflow_->Fields;
    edtFileInput->setText(PathText(f.FileInput));
    DestinationPath->setText(PathText(f.DestinationPath));
    edtHashvalue->setText(QString::fromStdString(f.HashValue));
    Label4->setText(QString::fromStdString(grid_.StatusText()));
    StringGrid1->Refresh();
}

void TfmMorvane::RunAction(const std::function<void()>& action) {
    std::exception_ptr error;
    try {
        PushFields();
        action();
    } catch (...) {
        error = std::current_exception();
    }
    PullFields();
    if (error)
        TAppExceptionHandler::Show(error);
}

void TfmMorvane::btnOpenFileClick() {
    TAppExceptionHandler::Run([this] {
        const std::optional<QString> path = OpenFileDialog();
        edtFileInput->setText(path ? QDir::toNativeSeparators(*path) : QString());
    });
}

void TfmMorvane::Button3Click() {
    // The name is formed from the moment the user asks for a folder, not
    // from when the file is later written.
    const auto now = Clock();
    std::optional<QString> folder;
    if (!TAppExceptionHandler::Run([&] { folder = FolderBrowser(); }))
        return;
    RunAction([&] {
        std::optional<std::string> bytes;
        if (folder)
            bytes = PathBytes(*folder);
        workflow_->ChooseDestination(bytes, now);
    });
}

QString TfmMorvane::SummaryTemplateFile() const {
    // Data/ lies beside the executable, so its parent is the executable's
    // directory.
    const QString executableDir = QDir(dataDir_ + QStringLiteral("/..")).absolutePath();
    return PathText(SummaryTemplatePath(PathBytes(executableDir)));
}

void TfmMorvane::BitBtn1Click() {
    // The hash field is read as it stands: the user may have typed into it.
    // The box goes straight to the user; the window's sink would first copy
    // the road's fields over the controls.
    const std::string hashValue = edtHashvalue->text().toStdString();
    if (hashValue.empty()) {
        TQtMessageSink(this).ShowMessage(TMessageKind::Error, kNoDataMessage);
        return;
    }
    TAppExceptionHandler::Run([&] {
        tabula::TTabulaTable& table = fill_->dbDetailReport();
        table.Open();
        const int recordCount = table.RecordCount();
        summary_->LoadTemplate(PathBytes(SummaryTemplateFile()));
        summary_->SetVariables(workflow_->Validator().CompanyId, hashValue, recordCount);
        report::RunReport(summary_->rpReport1());
    });
}

void TfmMorvane::BitBtn2Click() {
    RunAction([this] { workflow_->Validate(); });
}

void TfmMorvane::BitBtn3Click() {
    RunAction([this] { workflow_->Clear(); });
}

} // namespace morvane
