#pragma once

#include "PictureForm.h"

class TForm6 : public TPictureForm
{
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    TClickLabel* Image3;
    TClickLabel* Label2;

    // Each closes the window.
    void Image3Click(TObject* Sender);
    void Label2Click(TObject* Sender);
    void FormClick(TObject* Sender);
};

extern TForm6* Form6;
