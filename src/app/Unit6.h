#pragma once

#include "PictureForm.h"

class TForm6 : public TPictureForm
{
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};

extern TForm6* Form6;
