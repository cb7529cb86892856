// Stands in front of Qt's own header on the include path of the core libraries.
#error                                                                                                       \
    "The libraries below src/gui must not use Qt Widgets: windows and widgets belong in src/gui (ekaldo_gui)."
