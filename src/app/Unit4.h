#pragma once

#include "PictureForm.h"

class TADSlbag : public TPictureForm
{
    Q_OBJECT
public:
    explicit TADSlbag(QWidget* parent = nullptr);

    TClickLabel* Image1;

    // Each closes the window.
    void Image1Click(TObject* Sender);
};

extern TADSlbag* ADSlbag;
