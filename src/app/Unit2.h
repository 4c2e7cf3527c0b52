#pragma once

#include "PictureForm.h"

class TForm2 : public TPictureForm
{
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    TClickLabel* Image1;
    TClickLabel* Label1;

    // Each closes the window.
    void Image1Click(TObject* Sender);
};

extern TForm2* Form2;
