object VerInfoForm: TVerInfoForm
  Left = 250
  Top = 180
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Nubo Version Information'
  ClientHeight = 262
  ClientWidth = 412
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  HelpContext = 4016
  Position = poScreenCenter
  OnShow = FormShow
  PixelsPerInch = 96
  object StringGrid1: TStringGrid
    Left = 8
    Top = 8
    Width = 396
    Height = 210
    ColCount = 5
    DefaultRowHeight = 18
    FixedCols = 0
    RowCount = 2
    FixedRows = 1
    Options = [goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing]
    TabOrder = 0
    ColWidths = (
      84
      84
      51
      64
      87)
  end
  object BtnOK: TButton
    Left = 124
    Top = 228
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
  object BtnHelp: TButton
    Left = 213
    Top = 228
    Width = 75
    Height = 25
    Caption = '&Help'
    TabOrder = 2
    OnClick = BtnHelpClick
  end
end
