object NewDataForm: TNewDataForm
  Caption = ' Velloria - Add New Data'
  ClientHeight = 440
  ClientWidth = 681
  Font.Height = -14
  Font.Name = 'MS Sans Serif'
  Position = poScreenCenter
  PixelsPerInch = 120
end
