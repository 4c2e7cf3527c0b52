#pragma once

#include "PictureForm.h"

class TForm2 : public TPictureForm
{
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};

extern TForm2* Form2;
