object AbortPrinting: TAbortPrinting
  Caption = 'Printing'
  ClientHeight = 99
  ClientWidth = 154
  Font.Height = -14
  Font.Name = 'MS Sans Serif'
  Position = poScreenCenter
  PixelsPerInch = 120
end
