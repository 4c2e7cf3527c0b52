#pragma once

#include "PictureForm.h"

class Tsplnedir : public TPictureForm
{
    Q_OBJECT
public:
    explicit Tsplnedir(QWidget* parent = nullptr);

    TClickLabel* Image1;

    // Each closes the window.
    void Image1Click(TObject* Sender);
};

extern Tsplnedir* splnedir;
