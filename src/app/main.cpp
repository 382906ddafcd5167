#include "app/app.h"

int main(int argc, char** argv) { return rz::runApplication(argc, argv); }
