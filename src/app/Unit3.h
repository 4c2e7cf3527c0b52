#pragma once

#include "PictureForm.h"

class TForm3 : public TPictureForm
{
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    TClickLabel* Image3;
    TClickLabel* Label2;

    // Each closes the window.
    void Image3Click(TObject* Sender);
};

extern TForm3* Form3;
