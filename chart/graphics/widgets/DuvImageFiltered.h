#pragma once
// A picture control that shows its picture through a list of picture filters; the filtered
// picture is kept until the picture or the list changes.
#include <QWidget>
#include <memory>

class QImage;
class TDuvPicture;
class TFilterItems;

class TImageFiltered : public QWidget {
public:
    explicit TImageFiltered(QWidget* parent = nullptr);
    ~TImageFiltered() override;

    TDuvPicture* Picture() const { return picture_.get(); }
    TFilterItems* Filters() const { return filters_.get(); }
    // Copies the list; the kept picture is worked out again.
    void SetFilters(const TFilterItems* value);
    // Copies the other control's picture and filters.
    void Assign(const TImageFiltered& source);

    // The picture after the enabled filters; none without a picture.
    const QImage* GetFilteredBitmap();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PictureChanged();
    std::unique_ptr<TDuvPicture> picture_;
    std::unique_ptr<TFilterItems> filters_;
    std::unique_ptr<QImage> filtered_;
    bool rebuilding_ = false;
};
