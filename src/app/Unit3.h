#pragma once

#include "PictureForm.h"

class TForm3 : public TPictureForm
{
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
};

extern TForm3* Form3;
