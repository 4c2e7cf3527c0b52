#pragma once

#include "PictureForm.h"

class Tsplnedir : public TPictureForm
{
    Q_OBJECT
public:
    explicit Tsplnedir(QWidget* parent = nullptr);
};

extern Tsplnedir* splnedir;
