#pragma once

#include "PictureForm.h"

class TADSlbag : public TPictureForm
{
    Q_OBJECT
public:
    explicit TADSlbag(QWidget* parent = nullptr);
};

extern TADSlbag* ADSlbag;
