# Fails when a quodlin_core source includes Qt Widgets, Qt GUI or Print Support.
string(REPLACE ";" " " _files "${FILES}")
separate_arguments(_list UNIX_COMMAND "${_files}")
foreach(f ${_list})
  file(STRINGS "${f}" hits REGEX "#[ \t]*include[ \t]*[<\"](QtWidgets|QtGui|QtPrintSupport|QWidget|QDialog|QMainWindow|QApplication|QMessageBox|QAction|QPainter|QPrinter)")
  if(hits)
    message(FATAL_ERROR "${f} belongs to quodlin_core and must not include widget headers: ${hits}")
  endif()
endforeach()
