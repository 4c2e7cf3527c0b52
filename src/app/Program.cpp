#include "Program.h"

#include "Forms.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"

void InitializeProgram()
{
    Application()->Initialize();
    Application()->SetTitle(QStringLiteral("Caller ID Test"));
    Application()->CreateForm(Form1);
    Application()->CreateForm(Form2);
    Application()->CreateForm(Form3);
    Application()->CreateForm(ADSlbag);
    Application()->CreateForm(Form6);
    Application()->CreateForm(splnedir);
}
