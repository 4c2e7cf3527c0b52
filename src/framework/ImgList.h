#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <QImage>
#include <QList>

class QPainter;

// A list of same-sized images, drawn by index (tray icon cycling, image columns).
class TCustomImageList : public TComponent
{
    Q_OBJECT
public:
    explicit TCustomImageList(QObject* owner = nullptr, int width = 16, int height = 16);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Changing the size empties the list.
    void SetSize(int width, int height);
    int Count() const { return int(m_images.size()); }

    // Adds an image, scaled to the list's size; returns its index.
    int Add(const QImage& image);
    // Adds the images of a strip laid out left to right; returns the first index.
    int AddStrip(const QImage& strip);
    void Delete(int index);
    void Clear();

    QImage Image(int index) const;
    // Copies image `index` into `icon`; an index outside the list raises EListError.
    void GetIcon(int index, TIcon& icon) const;
    // Draws image `index` with its top left at (x, y); disabled images are greyed.
    void Draw(QPainter& painter, int x, int y, int index, bool enabled = true) const;

    TNotifyEvent OnChange;

private:
    void checkIndex(int index) const;
    void changed();

    int m_width;
    int m_height;
    QList<QImage> m_images;
};
