object Form3: TForm3
  Caption = ' Velloria - Printing Setup'
  ClientHeight = 132
  ClientWidth = 306
  Font.Height = -14
  Font.Name = 'MS Sans Serif'
  Position = poScreenCenter
  PixelsPerInch = 120
end
