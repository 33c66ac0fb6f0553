/* Numbers of the program's resources and of the configuration dialog's controls: included by
   the resource script and by the code, so each number is written once. Plain #defines, which
   the resource compiler reads as well as C++. */
#ifndef CLACKMOOR_RESOURCE_H
#define CLACKMOOR_RESOURCE_H

#define IDS_DESCRIPTION 1 /* the name the Screen Saver settings list */
#define IDI_CLACKMOOR 109
#define IDD_CONFIG 2003

/* The ten pattern boxes, patterns 1 to 10 in order; 1022 is unused. */
#define IDC_PATTERN1 1012
#define IDC_PATTERN2 1013
#define IDC_PATTERN3 1014
#define IDC_PATTERN4 1015
#define IDC_PATTERN5 1016
#define IDC_PATTERN6 1017
#define IDC_PATTERN7 1018
#define IDC_PATTERN8 1019
#define IDC_PATTERN9 1020
#define IDC_PATTERN10 1021
/* The touching radios: Always shows TouchBox1, Never TouchBox2. */
#define IDC_ALWAYS 1023
#define IDC_SOMETIMES 1024
#define IDC_NEVER 1025
#define IDC_ATI_FIX 1026

#endif
