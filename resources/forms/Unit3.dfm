object Form3: TForm3
  Left = 200
  Top = 150
  BorderIcons = [biSystemMenu]
  BorderStyle = bsSingle
  Caption = ' Velloria - Printing Setup'
  ClientHeight = 132
  ClientWidth = 306
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -14
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  PixelsPerInch = 120
  object PrintIconsCheckBox: TCheckBox
    Left = 20
    Top = 14
    Width = 266
    Height = 21
    Caption = 'Print Icons'
    State = cbChecked
    TabOrder = 0
  end
  object PrintOnePageCheckBox: TCheckBox
    Left = 20
    Top = 44
    Width = 266
    Height = 21
    Caption = 'Print One Page Per Table'
    TabOrder = 1
  end
  object Button3: TButton
    Left = 10
    Top = 88
    Width = 120
    Height = 31
    Caption = 'Printer &Setup'
    TabOrder = 2
    OnClick = Button3Click
  end
  object Button1: TButton
    Left = 138
    Top = 88
    Width = 76
    Height = 31
    Caption = '&Print'
    Default = True
    TabOrder = 3
    OnClick = Button1Click
  end
  object Button2: TButton
    Left = 220
    Top = 88
    Width = 76
    Height = 31
    Caption = '&Cancel'
    Cancel = True
    TabOrder = 4
    OnClick = Button2Click
  end
  object PrinterSetupDialog1: TPrinterSetupDialog
  end
end
