#pragma once
// "画像処理(&P)...": one filter with its parameters, previewed live on a reduced copy of the
// canvas picture and applied to the whole picture only when the user confirms.
#include "core/image/filters.h"

#include <QDialog>
#include <QImage>
#include <array>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

class ProcessDialog : public QDialog {
    Q_OBJECT
public:
    // Longest side of the preview pictures.
    static constexpr int previewSide = 240;

    explicit ProcessDialog(const QImage& input, QWidget* parent = nullptr);

    // Shows the dialog modally. The processed picture (24-bit, the input's size) after "OK";
    // nothing after cancel, so the caller changes nothing.
    // Window (MNU_IMG_ALL_Click): if (auto r = ProcessDialog::ask(this, LEAD2->image()))
    // LEAD2->setImage(*r, 24); then LEAD2->ForceRepaint() and LEAD2_RgnChange() as before.
    static std::optional<QImage> ask(QWidget* parent, const QImage& input);

    Filters::Kind kind() const;
    int value(int which) const;
    // The filtered preview as it stands, and the processed picture once accepted.
    QImage previewImage() const { return m_preview; }
    std::optional<QImage> result() const { return m_result; }

    QListWidget* filterList = nullptr;
    std::array<QLabel*, 2> paramLabel{};
    std::array<QSlider*, 2> paramSlider{};
    std::array<QSpinBox*, 2> paramSpin{};
    QLabel* beforeView = nullptr;
    QLabel* afterView = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

public slots:
    // Shows the parameters of the filter in row and their initial values.
    void selectFilter(int row);
    void setValue(int which, int value);
    // Filters the reduced copy with the current values.
    void updatePreview();
    // Processes the whole picture on a worker thread; stays open when the filter fails or the
    // user cancels it.
    void accept() override;
    void reject() override;

private:
    void schedulePreview();

    QImage m_input;
    QImage m_small; // the input reduced to the preview size
    double m_scale = 1;
    QImage m_preview;
    std::optional<QImage> m_result;
    QTimer* m_previewTimer = nullptr;
};
