// Stands in front of Qt's own header on the include path of the core libraries.
#error "The core libraries must not use Qt Widgets: put window code in src/*/ui code linked into ekaldo_ui."
