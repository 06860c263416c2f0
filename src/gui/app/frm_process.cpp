#include "gui/app/frm_process.h"

#include "core/image/imagecodec.h"
#include "core/util/messages.h"
#include "core/util/progress.h"
#include "gui/widgets/dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct FilterText {
    Filters::Kind kind;
    const char* name;
    const char* params[2];
};

const FilterText filterTexts[Filters::kindCount] = {
    {Filters::Kind::BrightnessContrast, "明るさ・コントラスト", {"明るさ", "コントラスト"}},
    {Filters::Kind::Gamma, "ガンマ補正", {"ガンマ (1/100)", nullptr}},
    {Filters::Kind::HueSaturation, "色相・彩度", {"色相 (度)", "彩度"}},
    {Filters::Kind::Sharpen, "シャープ", {"強さ", nullptr}},
    {Filters::Kind::Blur, "ぼかし", {"強さ", nullptr}},
    {Filters::Kind::Median, "メディアン", {"半径", nullptr}},
    {Filters::Kind::Despeckle, "ノイズ除去", {nullptr, nullptr}},
    {Filters::Kind::Emboss, "エンボス", {"深さ", nullptr}},
    {Filters::Kind::Posterize, "ポスタリゼーション", {"階調数", nullptr}},
    {Filters::Kind::Mosaic, "モザイク", {"ブロックの大きさ", nullptr}},
    {Filters::Kind::Sepia, "セピア", {"しきい値 (%)", nullptr}},
};

QPixmap shown(const QImage& image) {
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

} // namespace

ProcessDialog::ProcessDialog(const QImage& input, QWidget* parent)
    : QDialog(parent), m_input(input) {
    // Most filters run in the decoder's library, the final one on a worker thread: started here,
    // on this thread, since its start-up sets the environment.
    ImageCodec::initialize();
    setWindowTitle(QStringLiteral("画像処理"));
    if (!m_input.isNull()) {
        const QImage rgb = m_input.convertToFormat(QImage::Format_RGB32);
        const int side = std::max(rgb.width(), rgb.height());
        if (side > previewSide) {
            m_small =
                rgb.scaled(previewSide, previewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            m_scale = double(std::max(m_small.width(), m_small.height())) / side;
        } else {
            m_small = rgb;
        }
    }

    filterList = new QListWidget(this);
    for (const FilterText& f : filterTexts) filterList->addItem(QString::fromUtf8(f.name));

    auto* params = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        paramLabel[i] = new QLabel(this);
        paramSlider[i] = new QSlider(Qt::Horizontal, this);
        paramSpin[i] = new QSpinBox(this);
        params->addWidget(paramLabel[i], i, 0);
        params->addWidget(paramSlider[i], i, 1);
        params->addWidget(paramSpin[i], i, 2);
        connect(paramSlider[i], &QSlider::valueChanged, this, [this, i](int v) { setValue(i, v); });
        connect(paramSpin[i], &QSpinBox::valueChanged, this, [this, i](int v) { setValue(i, v); });
    }

    beforeView = new QLabel(this);
    afterView = new QLabel(this);
    for (QLabel* view : {beforeView, afterView}) {
        view->setAlignment(Qt::AlignCenter);
        view->setMinimumSize(previewSide, previewSide);
        view->setFrameShape(QFrame::StyledPanel);
    }
    beforeView->setPixmap(shown(m_small));
    auto* views = new QGridLayout;
    views->addWidget(new QLabel(QStringLiteral("処理前"), this), 0, 0, Qt::AlignHCenter);
    views->addWidget(new QLabel(QStringLiteral("処理後"), this), 0, 1, Qt::AlignHCenter);
    views->addWidget(beforeView, 1, 0);
    views->addWidget(afterView, 1, 1);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &ProcessDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &ProcessDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* right = new QVBoxLayout;
    right->addLayout(views);
    right->addLayout(params);
    right->addStretch();
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addWidget(filterList);
    top->addLayout(right, 1);

    // Slider drags arrive in bursts; one preview per pass of the event loop is enough.
    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(0);
    connect(m_previewTimer, &QTimer::timeout, this, &ProcessDialog::updatePreview);

    connect(filterList, &QListWidget::currentRowChanged, this, &ProcessDialog::selectFilter);
    filterList->setCurrentRow(0);
}

std::optional<QImage> ProcessDialog::ask(QWidget* parent, const QImage& input) {
    if (input.isNull()) return std::nullopt;
    ProcessDialog dialog(input, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.result();
}

Filters::Kind ProcessDialog::kind() const {
    const int row = std::clamp(filterList->currentRow(), 0, Filters::kindCount - 1);
    return filterTexts[row].kind;
}

int ProcessDialog::value(int which) const {
    if (which < 0 || which > 1 || which >= Filters::paramCount(kind())) return 0;
    return paramSpin[which]->value();
}

void ProcessDialog::selectFilter(int row) {
    if (row < 0 || row >= Filters::kindCount) return;
    if (filterList->currentRow() != row) {
        filterList->setCurrentRow(row); // comes back here through currentRowChanged
        return;
    }
    const FilterText& f = filterTexts[row];
    for (int i = 0; i < 2; ++i) {
        const bool used = i < Filters::paramCount(f.kind);
        const Filters::Param p = Filters::param(f.kind, i);
        const QSignalBlocker b1(paramSlider[i]), b2(paramSpin[i]);
        paramLabel[i]->setText(used ? QString::fromUtf8(f.params[i]) : QString());
        paramSlider[i]->setRange(p.minimum, p.maximum);
        paramSpin[i]->setRange(p.minimum, p.maximum);
        paramSlider[i]->setValue(p.initial);
        paramSpin[i]->setValue(p.initial);
        paramLabel[i]->setVisible(used);
        paramSlider[i]->setVisible(used);
        paramSpin[i]->setVisible(used);
    }
    schedulePreview();
}

void ProcessDialog::setValue(int which, int value) {
    if (which < 0 || which > 1) return;
    const QSignalBlocker b1(paramSlider[which]), b2(paramSpin[which]);
    paramSlider[which]->setValue(value);
    paramSpin[which]->setValue(value);
    schedulePreview();
}

void ProcessDialog::schedulePreview() {
    m_previewTimer->start();
}

void ProcessDialog::updatePreview() {
    m_previewTimer->stop();
    m_preview = Filters::apply(m_small, kind(), value(0), value(1), nullptr, m_scale);
    afterView->setPixmap(shown(m_preview));
}

void ProcessDialog::accept() {
    // The work reads nothing of the dialog: its controls belong to this thread. A preview due
    // now would wait on the filter's lock with the window frozen.
    m_previewTimer->stop();
    const QImage input = m_input;
    const Filters::Kind k = kind();
    const int a = value(0), b = value(1);
    QString why;
    QImage processed;
    Progress progress;
    Dialogs::get().runLong(this, Msg::progressFilter(), progress, [&] {
        processed = Filters::apply(input, k, a, b, &why, 1.0, &progress);
    });
    if (progress.cancelled()) return; // the dialog stays open with the picture as it was
    if (processed.isNull()) {
        Dialogs::get().message(this, Msg::filterFailed(why), Msg::appTitle(),
                               Dialogs::Icon::Exclamation, Dialogs::Buttons::Ok);
        return;
    }
    m_result = processed;
    QDialog::accept();
}

void ProcessDialog::reject() {
    m_result.reset();
    QDialog::reject();
}
